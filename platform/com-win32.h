// Owners for COM's resources: the apartment, interface pointers, BSTRs and VARIANTs.
#ifndef UNLIMIT_PLATFORM_COM_WIN32_H_
#define UNLIMIT_PLATFORM_COM_WIN32_H_

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <string_view>
#include <utility>

// The calling thread's membership of a single-threaded apartment, for the object's lifetime.
class TComApartment {
 public:
  TComApartment() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~TComApartment() {
    if (initialized_) CoUninitialize();
  }
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

 private:
  bool initialized_;
};

// One reference to an interface.
template <typename T>
class TComPtr {
 public:
  TComPtr() = default;
  ~TComPtr() { Reset(); }
  TComPtr(TComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  TComPtr& operator=(TComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      pointer_ = std::exchange(other.pointer_, nullptr);
    }
    return *this;
  }
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;

  T* Get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }
  // For functions that hand out a new reference; drops the one held.
  T** Receive() {
    Reset();
    return &pointer_;
  }
  void Reset() {
    if (pointer_) std::exchange(pointer_, nullptr)->Release();
  }

 private:
  T* pointer_ = nullptr;
};

class TBstr {
 public:
  TBstr() = default;
  explicit TBstr(std::wstring_view text)
      : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~TBstr() { SysFreeString(bstr_); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;

  BSTR Get() const { return bstr_; }
  // Hands the string to a new owner, such as a VARIANT.
  BSTR Detach() { return std::exchange(bstr_, nullptr); }
  BSTR* Receive() {
    SysFreeString(std::exchange(bstr_, nullptr));
    return &bstr_;
  }
  std::wstring_view View() const { return {bstr_ ? bstr_ : L"", SysStringLen(bstr_)}; }

 private:
  BSTR bstr_ = nullptr;
};

class TVariant {
 public:
  TVariant() { VariantInit(&value_); }
  ~TVariant() { VariantClear(&value_); }
  TVariant(TVariant&& other) noexcept : TVariant() { std::swap(value_, other.value_); }
  TVariant(const TVariant&) = delete;
  TVariant& operator=(const TVariant&) = delete;

  static TVariant Int(LONG number) {
    TVariant v;
    v.value_.vt = VT_I4;
    v.value_.lVal = number;
    return v;
  }
  static TVariant String(std::wstring_view text) {
    TVariant v;
    v.value_.vt = VT_BSTR;
    v.value_.bstrVal = TBstr(text).Detach();
    return v;
  }
  // An optional argument left out.
  static TVariant Missing() {
    TVariant v;
    v.value_.vt = VT_ERROR;
    v.value_.scode = DISP_E_PARAMNOTFOUND;
    return v;
  }
  // Holds a reference of its own to `object`.
  static TVariant Dispatch(IDispatch* object) {
    TVariant v;
    v.value_.vt = VT_DISPATCH;
    v.value_.pdispVal = object;
    if (object) object->AddRef();
    return v;
  }

  const VARIANT& Get() const { return value_; }
  // The value as a 32-bit integer, or `fallback` when it has no such form.
  LONG AsInt(LONG fallback) const {
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value_), 0, VT_I4))) {
      return fallback;
    }
    return converted.lVal;
  }
  VARIANT* Receive() {
    VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

#endif  // UNLIMIT_PLATFORM_COM_WIN32_H_
