// Late-bound calls on an automation object through IDispatch, by member name. Every failure
// throws TDataAccessError with the object's own description of it when it gave one.
#ifndef UNLIMIT_PLATFORM_DISPATCH_WIN32_H_
#define UNLIMIT_PLATFORM_DISPATCH_WIN32_H_

#include <initializer_list>
#include <string>

#include "platform/com-win32.h"

class TDispatchObject {
 public:
  // Throws when the class is not registered or cannot be created.
  static TDispatchObject Create(const wchar_t* progId, const std::string& failureText);

  IDispatch* Get() const { return object_.Get(); }

  void Put(const wchar_t* name, const TVariant& value);
  // Assigns an object reference, as Visual Basic's Set does.
  void PutRef(const wchar_t* name, IDispatch* object);
  TVariant GetProperty(const wchar_t* name);
  // `arguments` in their declared order.
  TVariant Call(const wchar_t* name, std::initializer_list<const TVariant*> arguments);

 private:
  explicit TDispatchObject(TComPtr<IDispatch> object) : object_(std::move(object)) {}

  DISPID IdOf(const wchar_t* name);
  TVariant Invoke(const wchar_t* name, WORD flags, std::initializer_list<const TVariant*> arguments,
                  bool assigns);

  TComPtr<IDispatch> object_;
};

#endif  // UNLIMIT_PLATFORM_DISPATCH_WIN32_H_
