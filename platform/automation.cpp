#include "platform/automation.h"

#include <oleauto.h>

#include <cstdio>
#include <utility>

#include "platform/runtime.h"

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

std::wstring HResultText(HRESULT hr) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
  return text;
}

bool TitleMatches(HWND window, const std::wstring& title, bool exact) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
  if (exact && text.size() != title.size()) return false;
  const int compared = static_cast<int>(title.size());
  return ::CompareStringOrdinal(text.c_str(), compared, title.c_str(), compared, TRUE) ==
         CSTR_EQUAL;
}

struct WindowSearch {
  const std::wstring& title;
  bool exact;
  HWND found = nullptr;
};

BOOL CALLBACK FindTitle(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (!::IsWindowVisible(window) || !TitleMatches(window, search->title, search->exact)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

}  // namespace

Microsoft::WRL::ComPtr<IDispatch> CreateObject(const wchar_t* progId, const IID& iid) {
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
  Microsoft::WRL::ComPtr<IUnknown> object;
  if (SUCCEEDED(hr)) {
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                            IID_PPV_ARGS(&object));
  }
  if (FAILED(hr)) {
    // Whatever stopped the creation, the user's remedy is the same: the
    // host is not installed or not registered; the HRESULT tells support.
    throw Failure(code::kCannotCreateObject,
                  StandardDescription(code::kCannotCreateObject) + L" (" + HResultText(hr) + L")");
  }
  Microsoft::WRL::ComPtr<IDispatch> dispatch;
  ThrowIfFailed(object->QueryInterface(iid, reinterpret_cast<void**>(dispatch.GetAddressOf())));
  return dispatch;
}

void InvokeMethod(IDispatch* object, DISPID member, const std::wstring& argument) {
  TextVariant value(argument);
  DISPPARAMS params{value.Get(), nullptr, 1, 0};
  ExceptionInfo exception;
  UINT badArgument = 0;
  const HRESULT hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    nullptr, exception.Get(), &badArgument);
  if (hr == DISP_E_EXCEPTION) throw exception.ToFailure();
  ThrowIfFailed(hr);
}

void AppActivate(const std::wstring& title) {
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
