#include "zeplo_object.h"

#include <oleauto.h>

#include <new>

namespace demo_host {
namespace {

using Microsoft::WRL::ComPtr;

constexpr DISPID kLoadPlotterConfiguration = 158;
constexpr DISPID kLoadPlotterStyle = 159;

// IUnknown and the shared context of our COM classes. The count starts at 0
// because a ComPtr takes the first reference (MinGW-w64's ComPtr::Attach would
// add one of its own).
template <class Interface>
class ServerObject : public Interface {
 public:
  explicit ServerObject(ServerContext& context) : context_(context) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = Answers(iid) ? static_cast<Interface*>(this) : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ServerObject() = default;
  virtual bool Answers(REFIID iid) const {
    return iid == IID_IUnknown || iid == __uuidof(Interface);
  }

  ServerContext& context_;

 private:
  LONG references_ = 0;
};

// Owns the converted argument for the length of a call.
struct OwnedVariant : VARIANT {
  OwnedVariant() { VariantInit(this); }
  OwnedVariant(const OwnedVariant&) = delete;
  ~OwnedVariant() { VariantClear(this); }
};

// Tests read the log line by line, so a path must not be able to break a line or
// forge another event. '?' cannot occur in a Windows path, so a replaced character
// is never mistaken for a real one. SysStringLen, not wcslen: a BSTR may hold NULs.
std::wstring Printable(BSTR path) {
  std::wstring text(path ? path : L"", SysStringLen(path));
  for (wchar_t& c : text) {
    if (c < 0x20 || c == 0x7F) c = L'?';
  }
  return text;
}

class ZeploObject final : public ServerObject<IDispatch> {
 public:
  explicit ZeploObject(ServerContext& context) : ServerObject(context) {
    RecordCount(L"created live=", InterlockedIncrement(&context_.live_objects));
  }

  // Clients of the CAD application call the members by dispatch id alone.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    return count ? (*count = 0, S_OK) : E_POINTER;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

  STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argument_error) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    // Both members are methods; a property get or put of them does not exist.
    if ((member != kLoadPlotterConfiguration && member != kLoadPlotterStyle) ||
        !(flags & DISPATCH_METHOD)) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (!params) return E_INVALIDARG;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    try {
      // Clients pass the path by value, by reference (VBA passes String
      // variables so) or as another type; VariantChangeType takes all three.
      OwnedVariant path;
      if (FAILED(VariantChangeType(&path, &params->rgvarg[0], 0, VT_BSTR))) {
        if (argument_error) *argument_error = 0;
        return DISP_E_TYPEMISMATCH;
      }
      const Options& options = context_.options;
      const std::optional<RaisedError>& failure =
          member == kLoadPlotterConfiguration ? options.fail_158 : options.fail_159;
      context_.sink.Record(std::to_wstring(member) + (failure ? L" FAILED " : L" ") +
                           Printable(V_BSTR(&path)));
      if (options.stall == member) ::Sleep(INFINITE);
      if (member == kLoadPlotterConfiguration && options.busy_after_158 != 0) {
        context_.busy_until = ::GetTickCount64() + options.busy_after_158;
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
  ~ZeploObject() override {
    RecordCount(L"released live=", InterlockedDecrement(&context_.live_objects));
  }

  bool Answers(REFIID iid) const override {
    return ServerObject::Answers(iid) ||
           (iid == context_.interface_id && iid != GUID_NULL && !context_.options.no_interface);
  }

  void RecordCount(const wchar_t* event, LONG live) noexcept {
    wchar_t line[32] = {};
    wsprintfW(line, L"%ls%ld", event, live);
    context_.sink.Record(line);
  }

  static void Raise(const RaisedError& error, EXCEPINFO& exception) {
    exception = EXCEPINFO{};
    // The error travels in scode; only one of scode and wCode may be set.
    exception.bstrSource = SysAllocString(L"ZeploProgram");
    exception.bstrDescription =
        SysAllocStringLen(error.description.data(), static_cast<UINT>(error.description.size()));
    exception.scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.code);
  }
};

// One factory for the whole run; CoRevokeClassObject drops COM's reference.
class ClassFactory final : public ServerObject<IClassFactory> {
 public:
  using ServerObject::ServerObject;

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
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
        (call && (call->iid == kRemUnknown || call->iid == kRemUnknown2))) {
      return SERVERCALL_ISHANDLED;
    }
    context_.sink.Record(L"turned away");
    return SERVERCALL_REJECTED;
  }
  // The host makes no calls of its own.
  STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD, DWORD) override { return ~0u; }
  STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;
  }
};

}  // namespace

ComPtr<IClassFactory> MakeClassFactory(ServerContext& context) {
  return ComPtr<IClassFactory>(new (std::nothrow) ClassFactory(context));
}

ComPtr<IMessageFilter> MakeBusyFilter(ServerContext& context) {
  return ComPtr<IMessageFilter>(new (std::nothrow) BusyFilter(context));
}

}  // namespace demo_host
