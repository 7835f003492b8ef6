#include "platform/dispatch-win32.h"

#include <cstdio>
#include <vector>

#include "platform/data_access.h"
#include "platform/text_encoding-win32.h"

namespace {

// The system's wording for `result`, or its number when the system has none.
std::string DescribeResult(HRESULT result) {
  wchar_t* message = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::wstring text(message ? message : L"", length);
  LocalFree(message);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (!text.empty()) return WideToUtf8(text);
  char number[32];
  std::snprintf(number, sizeof number, "OLE error %08lX", static_cast<unsigned long>(result));
  return number;
}

// The strings an object fills in when it raises an exception.
class TExceptionInfo {
 public:
  TExceptionInfo() : info_() {}
  ~TExceptionInfo() {
    SysFreeString(info_.bstrSource);
    SysFreeString(info_.bstrDescription);
    SysFreeString(info_.bstrHelpFile);
  }
  TExceptionInfo(const TExceptionInfo&) = delete;
  TExceptionInfo& operator=(const TExceptionInfo&) = delete;

  EXCEPINFO* Get() { return &info_; }

  std::string Description() {
    if (info_.pfnDeferredFillIn) info_.pfnDeferredFillIn(&info_);
    if (info_.bstrDescription && SysStringLen(info_.bstrDescription) > 0) {
      return WideToUtf8({info_.bstrDescription, SysStringLen(info_.bstrDescription)});
    }
    return DescribeResult(info_.scode ? info_.scode : DISP_E_EXCEPTION);
  }

 private:
  EXCEPINFO info_;
};

void ThrowIfFailed(HRESULT result) {
  if (FAILED(result)) throw TDataAccessError(DescribeResult(result));
}

}  // namespace

TDispatchObject TDispatchObject::Create(const wchar_t* progId, const std::string& failureText) {
  CLSID classId;
  TComPtr<IDispatch> object;
  if (FAILED(CLSIDFromProgID(progId, &classId)) ||
      FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_IDispatch, reinterpret_cast<void**>(object.Receive())))) {
    throw TDataAccessError(failureText);
  }
  return TDispatchObject(std::move(object));
}

void TDispatchObject::Put(const wchar_t* name, const TVariant& value) {
  Invoke(name, DISPATCH_PROPERTYPUT, {&value}, true);
}

void TDispatchObject::PutRef(const wchar_t* name, IDispatch* object) {
  TVariant value = TVariant::Dispatch(object);
  Invoke(name, DISPATCH_PROPERTYPUTREF, {&value}, true);
}

TVariant TDispatchObject::GetProperty(const wchar_t* name) {
  return Invoke(name, DISPATCH_PROPERTYGET, {}, false);
}

TVariant TDispatchObject::Call(const wchar_t* name,
                               std::initializer_list<const TVariant*> arguments) {
  return Invoke(name, DISPATCH_METHOD, arguments, false);
}

DISPID TDispatchObject::IdOf(const wchar_t* name) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  ThrowIfFailed(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  return id;
}

TVariant TDispatchObject::Invoke(const wchar_t* name, WORD flags,
                                 std::initializer_list<const TVariant*> arguments, bool assigns) {
  DISPID id = IdOf(name);
  // IDispatch takes the arguments last to first. The copies are shallow: the caller's
  // variants keep ownership.
  std::vector<VARIANT> reversed;
  for (auto argument = std::rbegin(arguments); argument != std::rend(arguments); ++argument) {
    reversed.push_back((*argument)->Get());
  }
  DISPID assignedValue = DISPID_PROPERTYPUT;
  DISPPARAMS parameters = {reversed.data(), assigns ? &assignedValue : nullptr,
                           static_cast<UINT>(reversed.size()), assigns ? 1u : 0u};
  TVariant result;
  TExceptionInfo exception;
  UINT badArgument = 0;
  HRESULT outcome =
      object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                      assigns ? nullptr : result.Receive(), exception.Get(), &badArgument);
  if (outcome == DISP_E_EXCEPTION) throw TDataAccessError(exception.Description());
  ThrowIfFailed(outcome);
  return result;
}
