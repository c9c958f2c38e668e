// The part of the CAD application's "ZeploProgram" that the picker talks to, its
// class factory, and the message filter that turns calls away while busy.
#include "host.h"

// The GUIDs of the host's type library are defined in this translation unit.
#include <initguid.h>
#include "zeplo_host.h"

namespace demo_host {
namespace {

// IUnknown for our COM classes. The count starts at 0: a ComPtr takes the first
// reference (MinGW-w64's ComPtr::Attach would add one of its own).
template <class Interface>
class ServerObject : public Interface {
 public:
  explicit ServerObject(ServerContext& context) : context_(context) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool answered = iid == IID_IUnknown || iid == __uuidof(Interface);
    *object = answered ? static_cast<Interface*>(this) : nullptr;
    if (answered) AddRef();
    return answered ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ServerObject() = default;
  ServerContext& context_;
  LONG references_ = 0;
};

// A path must not break a log line or forge another event: control characters
// become '?', which no Windows path holds. A BSTR may hold NULs.
std::wstring Printable(BSTR path) {
  std::wstring text(path ? path : L"", SysStringLen(path));
  for (wchar_t& c : text) c = c < 0x20 || c == 0x7F ? L'?' : c;
  return text;
}

class ZeploObject final : public ServerObject<IDispatch> {
 public:
  explicit ZeploObject(ServerContext& context) : ServerObject(context) { Count(+1); }

  // Also as the interface of the release served, which the picker asks for.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    const bool served = iid == context_.interface_id && iid != GUID_NULL;
    return ServerObject::QueryInterface(served ? IID_IDispatch : iid, object);
  }

  // Clients of the CAD application call the members by dispatch id alone.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    return count ? (*count = 0, S_OK) : E_POINTER;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

  // A client may pass no result, exception or argument error.
  STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    // Both members are methods; a property get or put of them does not exist.
    const bool method = (member == 158 || member == 159) && (flags & DISPATCH_METHOD);
    if (!method) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    try {
      // By value, by reference (as VBA passes a String variable) or as another type.
      VARIANT path{};  // VT_EMPTY
      const std::unique_ptr<VARIANT, decltype(&VariantClear)> clear(&path, &VariantClear);
      if (FAILED(VariantChangeType(&path, &params->rgvarg[0], 0, VT_BSTR))) {
        if (argument_error) *argument_error = 0;
        return DISP_E_TYPEMISMATCH;
      }
      const Options& options = context_.options;
      const std::optional<RaisedError>& failure = options.fail[member - 158];
      context_.log.Write(std::to_wstring(member) + (failure ? L" FAILED " : L" ") +
                         Printable(V_BSTR(&path)));
      if (options.stall == member) ::Sleep(INFINITE);
      if (member == 158 && options.busy_after_158)
        context_.busy_until = ::GetTickCount64() + options.busy_after_158;
      if (failure && exception) {
        // The error travels in scode; only one of scode and wCode may be set.
        *exception = EXCEPINFO{};
        exception->bstrSource = SysAllocString(L"ZeploProgram");
        exception->bstrDescription = SysAllocString(failure->description.c_str());
        exception->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, failure->code);
      }
      if (result) VariantInit(result);  // both members return nothing
      return failure ? DISP_E_EXCEPTION : S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  ~ZeploObject() override { Count(-1); }

  void Count(LONG change) noexcept {
    wchar_t line[32] = {};
    const LONG live = InterlockedAdd(&context_.live_objects, change);
    wsprintfW(line, change > 0 ? L"created live=%ld" : L"released live=%ld", live);
    context_.log.Write(line);
  }
};

// One factory for the whole run; CoRevokeClassObject drops COM's reference.
class ClassFactory final : public ServerObject<IClassFactory> {
 public:
  using ServerObject::ServerObject;

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    const ComPtr<IDispatch> created(new (std::nothrow) ZeploObject(context_));
    return created ? created->QueryInterface(iid, object) : E_OUTOFMEMORY;
  }
  // The host lives until its window is closed, whatever clients lock.
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

class BusyFilter final : public ServerObject<IMessageFilter> {
 public:
  using ServerObject::ServerObject;

  // Under Wine only SERVERCALL_REJECTED turns a call away: it runs a call
  // answered SERVERCALL_RETRYLATER as if handled. Releases of references
  // (IRemUnknown) are COM's housekeeping, not commands, and pass.
  STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) override {
    static constexpr GUID kRemUnknown{0x131, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    static constexpr GUID kRemUnknown2{0x143, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    if (::GetTickCount64() >= context_.busy_until ||
        (call && (call->iid == kRemUnknown || call->iid == kRemUnknown2)))
      return SERVERCALL_ISHANDLED;
    context_.log.Write(L"turned away");
    return SERVERCALL_REJECTED;
  }
  // The host makes no calls of its own.
  STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD, DWORD) override { return ~0u; }
  STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }
};

}  // namespace

// The filter comes before the class object, so that even a client's first call
// can be turned away.
HRESULT RegisterServer(ServerContext& context, DWORD& class_cookie) {
  const ComPtr<IMessageFilter> filter(new (std::nothrow) BusyFilter(context));
  const ComPtr<IClassFactory> factory(new (std::nothrow) ClassFactory(context));
  HRESULT hr = filter && factory ? CoRegisterMessageFilter(filter.Get(), nullptr) : E_OUTOFMEMORY;
  if (SUCCEEDED(hr))
    hr = CoRegisterClassObject(CLSID_ZeploProgram, factory.Get(), CLSCTX_LOCAL_SERVER,
                               REGCLS_MULTIPLEUSE, &class_cookie);
  return hr;
}

}  // namespace demo_host
