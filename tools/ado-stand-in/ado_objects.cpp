// ADODB.Connection and ADODB.Command for tests: automation objects that answer by name the
// members the program uses, keep ADO's rules for them, and log every call.
#include <ole2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "call_log.h"

namespace {

// Lets an object recognise its siblings among the interfaces it is handed.
const IID IID_IStandInObject = {
    0x6f1e2a3b, 0x55c4, 0x4d7e, {0x9a, 0x10, 0x3c, 0x2b, 0x41, 0x7d, 0x0e, 0x91}};
const CLSID CLSID_Connection = {
    0x00000514, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};
const CLSID CLSID_Command = {
    0x00000507, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x6D, 0x2E, 0xA4}};

constexpr LONG adStateClosed = 0;
constexpr LONG adStateOpen = 1;

// The objects made so far, for their names in the log.
LONG connectionsMade = 0;
LONG commandsMade = 0;
LONG executions = 0;

bool SameName(const wchar_t* a, const wchar_t* b) {
  return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

HRESULT Refuse(EXCEPINFO* exception, HRESULT code, const std::wstring& description) {
  if (exception) {
    *exception = {};
    exception->bstrSource = SysAllocString(L"ADO stand-in");
    exception->bstrDescription = SysAllocString(description.c_str());
    exception->scode = code;
  }
  return DISP_E_EXCEPTION;
}

// ADO's own errors for misuse.
constexpr HRESULT adErrObjectOpen = static_cast<HRESULT>(0x800A0E79);         // 3705
constexpr HRESULT adErrObjectClosed = static_cast<HRESULT>(0x800A0E78);       // 3704
constexpr HRESULT adErrInvalidConnection = static_cast<HRESULT>(0x800A0E7D);  // 3709
constexpr HRESULT adErrNoCommandText = static_cast<HRESULT>(0x800A0E7C);      // 3708: no text
constexpr HRESULT providerError = static_cast<HRESULT>(0x80004005);

class TStandInObject : public IDispatch {
 public:
  TStandInObject(std::wstring name, std::vector<const wchar_t*> members)
      : name_(std::move(name)), members_(std::move(members)) {
    Log(L"created");
  }
  virtual ~TStandInObject() = default;

  const std::wstring& Name() const { return name_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IStandInObject) {
      *object = this;
      AddRef();
      return S_OK;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      Log(L"released");
      delete this;
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    HRESULT result = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      for (std::size_t m = 0; m < members_.size(); ++m) {
        if (i == 0 && SameName(names[i], members_[m])) ids[i] = static_cast<DISPID>(m + 1);
      }
      if (ids[i] == DISPID_UNKNOWN) {
        Log(L"unknown member " + std::wstring(names[i]));
        result = DISP_E_UNKNOWNNAME;
      }
    }
    return result;
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    if (id < 1 || static_cast<std::size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
    const wchar_t* member = members_[id - 1];
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      if (parameters->cArgs != 1 || parameters->cNamedArgs != 1 ||
          parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return DISP_E_BADPARAMCOUNT;
      }
      const VARIANT& value = parameters->rgvarg[0];
      bool byReference = flags & DISPATCH_PROPERTYPUTREF;
      Log(std::wstring(byReference ? L"putref " : L"put ") + member + L" = " +
          DescribeValue(value));
      return Put(member, value, byReference, exception);
    }
    if (parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    std::vector<const VARIANT*> arguments;  // in declared order
    for (UINT i = parameters->cArgs; i > 0; --i) arguments.push_back(&parameters->rgvarg[i - 1]);
    if (result) VariantInit(result);
    VARIANT ignored;
    VariantInit(&ignored);
    return Call(member, flags, arguments, result ? result : &ignored, exception);
  }

 protected:
  void Log(const std::wstring& what) const { WriteLogLine(name_ + L" " + what); }

  std::wstring DescribeValue(const VARIANT& value) const {
    if (value.vt == VT_DISPATCH && value.pdispVal) {
      TStandInObject* sibling = nullptr;
      if (SUCCEEDED(value.pdispVal->QueryInterface(IID_IStandInObject,
                                                   reinterpret_cast<void**>(&sibling)))) {
        std::wstring name = sibling->Name();
        sibling->Release();
        return name;
      }
    }
    return Describe(value);
  }

  std::wstring DescribeCall(const wchar_t* member, const std::vector<const VARIANT*>& arguments) {
    std::wstring text = std::wstring(member) + L"(";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      text += (i ? L", " : L"") + DescribeValue(*arguments[i]);
    }
    return text + L")";
  }

  virtual HRESULT Put(const wchar_t* member, const VARIANT& value, bool byReference,
                      EXCEPINFO* exception) = 0;
  virtual HRESULT Call(const wchar_t* member, WORD flags,
                       const std::vector<const VARIANT*>& arguments, VARIANT* result,
                       EXCEPINFO* exception) = 0;

 private:
  LONG references_ = 1;
  std::wstring name_;
  std::vector<const wchar_t*> members_;
};

HRESULT ReturnInt(VARIANT* result, LONG number) {
  result->vt = VT_I4;
  result->lVal = number;
  return S_OK;
}

HRESULT ReturnString(VARIANT* result, const std::wstring& text) {
  result->vt = VT_BSTR;
  result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return S_OK;
}

// Reads an integer or string argument the way ADO coerces them.
bool ToInt(const VARIANT& value, LONG& number) {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_I4))) return false;
  number = converted.lVal;
  return true;
}

bool ToString(const VARIANT& value, std::wstring& text) {
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, VT_BSTR))) return false;
  text.assign(converted.bstrVal ? converted.bstrVal : L"", SysStringLen(converted.bstrVal));
  VariantClear(&converted);
  return true;
}

class TConnection : public TStandInObject {
 public:
  TConnection()
      : TStandInObject(L"Connection" + std::to_wstring(++connectionsMade),
                       {L"ConnectionString", L"ConnectionTimeout", L"CommandTimeout", L"State",
                        L"Open", L"Close"}) {}

  bool IsOpen() const { return state_ == adStateOpen; }

 protected:
  HRESULT Put(const wchar_t* member, const VARIANT& value, bool, EXCEPINFO* exception) override {
    if (IsOpen() &&
        (SameName(member, L"ConnectionString") || SameName(member, L"ConnectionTimeout"))) {
      return Refuse(exception, adErrObjectOpen,
                    L"Operation is not allowed when the object is open.");
    }
    bool converted = SameName(member, L"ConnectionString")    ? ToString(value, connectionString_)
                     : SameName(member, L"ConnectionTimeout") ? ToInt(value, connectionTimeout_)
                     : SameName(member, L"CommandTimeout")    ? ToInt(value, commandTimeout_)
                                                              : false;
    return converted ? S_OK : DISP_E_TYPEMISMATCH;
  }

  HRESULT Call(const wchar_t* member, WORD flags, const std::vector<const VARIANT*>& arguments,
               VARIANT* result, EXCEPINFO* exception) override {
    if (flags & DISPATCH_PROPERTYGET && arguments.empty()) {
      if (SameName(member, L"ConnectionString")) return ReturnString(result, connectionString_);
      if (SameName(member, L"ConnectionTimeout")) return ReturnInt(result, connectionTimeout_);
      if (SameName(member, L"CommandTimeout")) return ReturnInt(result, commandTimeout_);
      if (SameName(member, L"State")) {
        Log(L"get State = " + std::to_wstring(state_));
        return ReturnInt(result, state_);
      }
    }
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    Log(DescribeCall(member, arguments));
    if (SameName(member, L"Open")) return Open(arguments, exception);
    if (SameName(member, L"Close")) {
      if (!IsOpen()) {
        return Refuse(exception, adErrObjectClosed,
                      L"Operation is not allowed when the object is closed.");
      }
      state_ = adStateClosed;
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  HRESULT Open(const std::vector<const VARIANT*>& arguments, EXCEPINFO* exception) {
    if (arguments.size() > 4) return DISP_E_BADPARAMCOUNT;
    if (IsOpen()) {
      return Refuse(exception, adErrObjectOpen,
                    L"Operation is not allowed when the object is open.");
    }
    std::wstring given;
    if (!arguments.empty() && arguments[0]->vt != VT_ERROR && ToString(*arguments[0], given) &&
        !given.empty()) {
      connectionString_ = given;
    }
    if (connectionString_.empty()) {
      return Refuse(exception, providerError, L"Data source name not found.");
    }
    if (ShouldFail(L"Open")) {
      Log(L"refuses Open");
      return Refuse(exception, providerError, FailureText());
    }
    state_ = adStateOpen;
    return S_OK;
  }

  std::wstring connectionString_;
  LONG connectionTimeout_ = 15;
  LONG commandTimeout_ = 30;
  LONG state_ = adStateClosed;
};

class TCommand : public TStandInObject {
 public:
  TCommand()
      : TStandInObject(L"Command" + std::to_wstring(++commandsMade),
                       {L"ActiveConnection", L"CommandType", L"CommandText", L"CommandTimeout",
                        L"Prepared", L"Execute"}) {}
  ~TCommand() override {
    if (connection_) connection_->Release();
  }

 protected:
  HRESULT Put(const wchar_t* member, const VARIANT& value, bool byReference, EXCEPINFO*) override {
    if (SameName(member, L"ActiveConnection")) {
      TStandInObject* sibling = nullptr;
      if (!byReference || value.vt != VT_DISPATCH || !value.pdispVal ||
          FAILED(value.pdispVal->QueryInterface(IID_IStandInObject,
                                                reinterpret_cast<void**>(&sibling)))) {
        return DISP_E_TYPEMISMATCH;  // the program hands over its connection object only
      }
      auto* connection = dynamic_cast<TConnection*>(sibling);
      if (!connection) {
        sibling->Release();
        return DISP_E_TYPEMISMATCH;
      }
      if (connection_) connection_->Release();
      connection_ = connection;
      return S_OK;
    }
    if (SameName(member, L"CommandText")) {
      return value.vt == VT_BSTR && ToString(value, commandText_) ? S_OK : DISP_E_TYPEMISMATCH;
    }
    LONG ignored;
    if (SameName(member, L"CommandType"))
      return ToInt(value, commandType_) ? S_OK : DISP_E_TYPEMISMATCH;
    return ToInt(value, ignored) ? S_OK : DISP_E_TYPEMISMATCH;
  }

  HRESULT Call(const wchar_t* member, WORD flags, const std::vector<const VARIANT*>& arguments,
               VARIANT* result, EXCEPINFO* exception) override {
    if (flags & DISPATCH_PROPERTYGET && arguments.empty()) {
      if (SameName(member, L"CommandText")) return ReturnString(result, commandText_);
      if (SameName(member, L"CommandType")) return ReturnInt(result, commandType_);
    }
    if (!(flags & DISPATCH_METHOD) || !SameName(member, L"Execute")) return DISP_E_MEMBERNOTFOUND;
    Log(DescribeCall(member, arguments));
    if (arguments.size() > 3) return DISP_E_BADPARAMCOUNT;
    if (!connection_ || !connection_->IsOpen()) {
      return Refuse(exception, adErrInvalidConnection,
                    L"The connection cannot be used to perform this operation. It is either "
                    L"closed or invalid in this context.");
    }
    if (commandText_.empty()) {
      return Refuse(exception, adErrNoCommandText,
                    L"Command text was not set for the command object.");
    }
    if (ShouldFail(L"Execute#" + std::to_wstring(++executions))) {
      Log(L"refuses Execute");
      return Refuse(exception, providerError, FailureText());
    }
    // With adExecuteNoRecords ADO returns no recordset.
    result->vt = VT_DISPATCH;
    result->pdispVal = nullptr;
    return S_OK;
  }

 private:
  TConnection* connection_ = nullptr;
  std::wstring commandText_;
  LONG commandType_ = 8;  // adCmdUnknown, ADO's default
};

class TClassFactory : public IClassFactory {
 public:
  explicit TClassFactory(bool makesConnections) : makesConnections_(makesConnections) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The factories are static; their lifetime is the DLL's.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    TStandInObject* made =
        makesConnections_ ? static_cast<TStandInObject*>(new TConnection) : new TCommand;
    HRESULT result = made->QueryInterface(iid, object);
    made->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  bool makesConnections_;
};

TClassFactory connectionFactory(true);
TClassFactory commandFactory(false);

}  // namespace

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (classId == CLSID_Connection) return connectionFactory.QueryInterface(iid, object);
  if (classId == CLSID_Command) return commandFactory.QueryInterface(iid, object);
  *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

// Stays loaded: the log's object numbering runs for the whole process.
extern "C" HRESULT WINAPI DllCanUnloadNow() {
  return S_FALSE;
}
