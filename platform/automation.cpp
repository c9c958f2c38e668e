#include "platform/automation.h"

#include <oleauto.h>

#include "platform/failure.h"

namespace wendrake {
namespace {

// Owns the strings of an EXCEPINFO the object filled in.
class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    ::SysFreeString(info_.bstrSource);
    ::SysFreeString(info_.bstrDescription);
    ::SysFreeString(info_.bstrHelpFile);
  }
  EXCEPINFO* Get() { return &info_; }

  Failure ToFailure() {
    if (info_.pfnDeferredFillIn != nullptr) info_.pfnDeferredFillIn(&info_);
    const std::wstring description =
        info_.bstrDescription ? std::wstring(info_.bstrDescription) : std::wstring();
    return FailureFromException(info_.wCode, static_cast<int32_t>(info_.scode), description);
  }

 private:
  EXCEPINFO info_{};
};

// A VARIANT holding its own copy of a text.
class TextVariant {
 public:
  explicit TextVariant(const std::wstring& text) {
    ::VariantInit(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (value_.bstrVal == nullptr) throw Failure(code::kOutOfMemory);
  }
  TextVariant(const TextVariant&) = delete;
  TextVariant& operator=(const TextVariant&) = delete;
  ~TextVariant() { ::VariantClear(&value_); }
  VARIANT* Get() { return &value_; }

 private:
  VARIANT value_;
};

// Turned away unrun: the same call may be made again.
bool IsTurnedAway(HRESULT hr) {
  return hr == RPC_E_CALL_REJECTED || hr == RPC_E_SERVERCALL_RETRYLATER;
}

// Makes the call until the object takes it; COM may not ask a message filter
// about turned-away calls (Wine does not), so the result decides.
template <class Call>
HRESULT WhileTurnedAway(const BusyWait& whenBusy, Call call) {
  for (;;) {
    const HRESULT hr = call();
    if (!IsTurnedAway(hr)) return hr;
    whenBusy();
  }
}

// Runs inside EnumWindows, so it neither allocates nor throws: a title is
// read only as far as the comparison needs, into a buffer on the stack.
constexpr size_t kLongestSearchedTitle = 64;

bool TitleMatches(HWND window, std::wstring_view title, bool exact) noexcept {
  wchar_t text[kLongestSearchedTitle + 2];
  const int size = static_cast<int>(title.size());
  // One character more than the title tells an exact match from a longer one.
  const int length = ::GetWindowTextW(window, text, size + 2);
  if (exact ? length != size : length < size) return false;
  return ::CompareStringOrdinal(text, size, title.data(), size, TRUE) == CSTR_EQUAL;
}

struct WindowSearch {
  std::wstring_view title;
  bool exact;
  HWND found = nullptr;
};

BOOL CALLBACK FindTitle(HWND window, LPARAM param) noexcept {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (!::IsWindowVisible(window) || !TitleMatches(window, search->title, search->exact)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

Microsoft::WRL::ComPtr<IDispatch> CreateObject(const wchar_t* progId, const BusyWait& whenBusy) {
  CLSID clsid{};
  if (const HRESULT hr = ::CLSIDFromProgID(progId, &clsid); FAILED(hr)) {
    throw FailureFromHResult(hr, true);
  }
  const IID iid = DefaultInterfaceOf(clsid);
  Microsoft::WRL::ComPtr<IDispatch> dispatch;
  bool created = false;
  const HRESULT hr = WhileTurnedAway(whenBusy, [&] {
    Microsoft::WRL::ComPtr<IUnknown> object;
    const HRESULT result = ::CoCreateInstance(
        clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&object));
    created = SUCCEEDED(result);
    if (!created) return result;
    return object->QueryInterface(iid, reinterpret_cast<void**>(dispatch.ReleaseAndGetAddressOf()));
  });
  if (FAILED(hr)) throw FailureFromHResult(hr, !created);
  return dispatch;
}

void InvokeMethod(IDispatch* object, DISPID member, const std::wstring& argument,
                  const BusyWait& whenBusy) {
  TextVariant value(argument);
  DISPPARAMS params{value.Get(), nullptr, 1, 0};
  ExceptionInfo exception;
  UINT badArgument = 0;
  const HRESULT hr = WhileTurnedAway(whenBusy, [&] {
    return object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                          exception.Get(), &badArgument);
  });
  if (hr == DISP_E_EXCEPTION) throw exception.ToFailure();
  if (FAILED(hr)) throw FailureFromHResult(hr);
}

void AppActivate(std::wstring_view title) {
  if (title.size() > kLongestSearchedTitle) throw Failure(code::kNoWindow);
  WindowSearch search{title, true};
  ::EnumWindows(FindTitle, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) {
    search.exact = false;
    ::EnumWindows(FindTitle, reinterpret_cast<LPARAM>(&search));
  }
  if (search.found == nullptr) throw Failure(code::kNoWindow);
  if (::IsIconic(search.found)) ::ShowWindow(search.found, SW_RESTORE);
  ::SetForegroundWindow(search.found);
}

}  // namespace wendrake
