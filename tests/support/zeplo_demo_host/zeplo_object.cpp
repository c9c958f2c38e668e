#include "zeplo_object.h"

#include <new>

namespace demo_host {
namespace {

using Microsoft::WRL::ComPtr;

constexpr DISPID kLoadPlotterConfiguration = 158;
constexpr DISPID kLoadPlotterStyle = 159;

// Process-wide, so the log shows whether clients release every object they made,
// not just the last one.
LONG g_live_objects = 0;

// Takes over the reference a new object starts with. Not ComPtr::Attach: MinGW-w64's
// adds a reference of its own, so the object would never be freed.
template <typename T>
ComPtr<T> Adopt(T* object) {
  ComPtr<T> owner;
  *owner.GetAddressOf() = object;
  return owner;
}

// Owns a VARIANT for the length of a call.
class Variant {
 public:
  Variant() { VariantInit(&value_); }
  ~Variant() { VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

std::wstring FromBstr(BSTR text) {
  // SysStringLen, not wcslen: a BSTR may hold embedded NULs.
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// The path argument as text. Clients differ in how they pass a string: by value,
// by reference (VBA passes String variables so), or as another type for the server
// to convert.
HRESULT ArgumentText(VARIANT& argument, std::wstring& text) {
  if (V_VT(&argument) == VT_BSTR) {
    text = FromBstr(V_BSTR(&argument));
    return S_OK;
  }
  if (V_VT(&argument) == (VT_BSTR | VT_BYREF)) {
    if (!V_BSTRREF(&argument)) return DISP_E_TYPEMISMATCH;
    text = FromBstr(*V_BSTRREF(&argument));
    return S_OK;
  }
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), &argument, 0, VT_BSTR))) {
    return DISP_E_TYPEMISMATCH;
  }
  text = FromBstr(V_BSTR(converted.get()));
  return S_OK;
}

// Tests read the log line by line, so a path must not be able to break a line or
// forge another event. '?' cannot occur in a Windows path, so a replaced character
// is never mistaken for a real one.
std::wstring Printable(std::wstring text) {
  for (wchar_t& c : text) {
    if (c < 0x20 || c == 0x7F) c = L'?';
  }
  return text;
}

// The reference count both of our COM classes keep; the object deletes itself
// with the last reference.
template <class Interface>
class RefCounted : public Interface {
 public:
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

 protected:
  RefCounted() = default;
  virtual ~RefCounted() = default;

 private:
  LONG references_ = 1;
};

class ZeploObject final : public RefCounted<IDispatch> {
 public:
  explicit ZeploObject(ServerContext& context) : context_(context) {
    RecordCount(L"created live=", InterlockedIncrement(&g_live_objects));
  }
  ZeploObject(const ZeploObject&) = delete;
  ZeploObject& operator=(const ZeploObject&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch ||
        (iid == context_.interface_id && iid != GUID_NULL && context_.answer_diid)) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = context_.type_info ? 1 : 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0 || !context_.type_info) return DISP_E_BADINDEX;
    return context_.type_info.CopyTo(info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!context_.type_info) return DISP_E_UNKNOWNNAME;
    return DispGetIDsOfNames(context_.type_info.Get(), names, count, ids);
  }
  STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (member != kLoadPlotterConfiguration && member != kLoadPlotterStyle) {
      return DISP_E_MEMBERNOTFOUND;
    }
    // Both members are methods; a property get or put of them does not exist.
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (!params) return E_INVALIDARG;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    try {
      std::wstring path;
      if (const HRESULT hr = ArgumentText(params->rgvarg[0], path); FAILED(hr)) {
        if (argument_error) *argument_error = 0;
        return hr;
      }
      const std::optional<RaisedError>& failure =
          member == kLoadPlotterConfiguration ? context_.fail_158 : context_.fail_159;
      const std::wstring id = std::to_wstring(member);
      const std::wstring detail = (failure ? L"FAILED " : L"") + Printable(std::move(path));
      context_.sink->Record(id + L" " + detail, id + L"  " + detail);
      if (context_.stall == member) ::Sleep(INFINITE);
      if (member == kLoadPlotterConfiguration && context_.busy_after_158 != 0) {
        context_.busy_until = ::GetTickCount64() + context_.busy_after_158;
      }
      if (failure) {
        if (exception) Raise(*failure, *exception);
        return DISP_E_EXCEPTION;
      }
      if (result) VariantInit(result);  // both members return nothing
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  ~ZeploObject() override { RecordCount(L"released live=", InterlockedDecrement(&g_live_objects)); }

  void RecordCount(const wchar_t* event, LONG live) noexcept {
    try {
      const std::wstring line = event + std::to_wstring(live);
      context_.sink->Record(line, line);
    } catch (const std::bad_alloc&) {
      // Out of memory for a log line: the object itself is still sound.
    }
  }

  static void Raise(const RaisedError& error, EXCEPINFO& exception) {
    exception = EXCEPINFO{};
    exception.wCode = 0;  // the error travels in scode; only one of the two may be set
    exception.bstrSource = SysAllocString(L"ZeploProgram");
    exception.bstrDescription =
        SysAllocStringLen(error.description.data(), static_cast<UINT>(error.description.size()));
    exception.scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.code);
  }

  ServerContext& context_;
};

// One factory for the whole run; CoRevokeClassObject drops COM's reference.
class ClassFactory final : public RefCounted<IClassFactory> {
 public:
  explicit ClassFactory(ServerContext& context) : context_(context) {}
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    const ComPtr<ZeploObject> created = Adopt(new (std::nothrow) ZeploObject(context_));
    if (!created) return E_OUTOFMEMORY;
    return created->QueryInterface(iid, object);
  }
  // The host lives until its window is closed, whatever clients lock.
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  ~ClassFactory() override = default;

  ServerContext& context_;
};

class BusyFilter final : public RefCounted<IMessageFilter> {
 public:
  explicit BusyFilter(ServerContext& context) : context_(context) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IMessageFilter) {
      *object = static_cast<IMessageFilter*>(this);
      AddRef();
      return S_OK;
    }
    return E_NOINTERFACE;
  }

  // Under Wine only SERVERCALL_REJECTED turns a call away: it runs a call
  // answered SERVERCALL_RETRYLATER as if handled. Releases of references
  // (IRemUnknown) are COM's housekeeping, not commands, and pass.
  STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) override {
    static constexpr GUID kRemUnknown{0x131, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    static constexpr GUID kRemUnknown2{0x143, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    if (::GetTickCount64() >= context_.busy_until ||
        (call && (call->iid == kRemUnknown || call->iid == kRemUnknown2))) {
      return SERVERCALL_ISHANDLED;
    }
    context_.sink->Record(L"turned away", L"turned away (busy)");
    return SERVERCALL_REJECTED;
  }
  STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD, DWORD) override {
    return static_cast<DWORD>(-1);
  }
  STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }

 private:
  ~BusyFilter() override = default;

  ServerContext& context_;
};

}  // namespace

ComPtr<IClassFactory> MakeClassFactory(ServerContext& context) {
  return Adopt<IClassFactory>(new (std::nothrow) ClassFactory(context));
}

ComPtr<IMessageFilter> MakeBusyFilter(ServerContext& context) {
  return Adopt<IMessageFilter>(new (std::nothrow) BusyFilter(context));
}

}  // namespace demo_host
