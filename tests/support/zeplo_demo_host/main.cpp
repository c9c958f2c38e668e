// ZeploDemoHost: a stand-in for the CAD application, so that the picker can be
// tried and tested without it. It serves "ZeploProgram" from a window titled
// MORKA, lists every event there and, with --log, appends them to a file.

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <memory>
#include <new>
#include <optional>

#include "command_line.h"
#include "event_log.h"
#include "platform/handles.h"
#include "registration.h"
#include "zeplo_object.h"

// The GUIDs of the host's type library are defined in this translation unit.
#include <initguid.h>
#include "zeplo_host.h"

namespace demo_host {
namespace {

// CoUninitialize also disconnects objects that clients still hold, which releases
// them: everything they report to must outlive this.
class Apartment {
 public:
  Apartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// The window the user and the picker see, with every event as a row of a list.
class HostWindow final : public EventSink {
 public:
  explicit HostWindow(EventLog& log) : log_(log) {}
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow() { window_.Reset(); }  // while the members its messages use still exist

  bool Create(HINSTANCE instance, const std::wstring& title, int show) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &HostWindow::Procedure;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"ZeploDemoHostWindow";
    if (!RegisterClassExW(&window_class)) return false;
    CreateWindowExW(0, window_class.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW,
                    CW_USEDEFAULT, CW_USEDEFAULT, 420, 300, nullptr, nullptr, instance, this);
    if (!window_ || !list_) return false;
    ShowWindow(window_.Get(), show);
    return true;
  }

  // Revoked as the window goes, before anything else: from then on COM starts a
  // new host for new clients instead of handing them one that is going away.
  void AdoptClassObject(DWORD cookie) { class_cookie_ = cookie; }

  void Record(std::wstring_view event) noexcept override {
    log_.Write(event);
    if (!list_) return;
    try {
      const std::wstring row(event);
      const LRESULT index =
          SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
      if (index >= 0) SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    } catch (const std::bad_alloc&) {
      // The row is lost; the log line is written.
    }
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* self =
          static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      *self->window_.Put() = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(window, message, wparam, lparam)
                : DefWindowProcW(window, message, wparam, lparam);
  }

  LRESULT Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    switch (message) {
      case WM_CREATE:
        list_ = CreateWindowExW(0, L"LISTBOX", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
                                0, window, nullptr, nullptr, nullptr);
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
        return list_ ? 0 : -1;
      case WM_SIZE: MoveWindow(list_, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE); return 0;
      case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) Record(L"activated");
        break;
      case WM_DESTROY:
        if (class_cookie_) CoRevokeClassObject(*class_cookie_);
        class_cookie_.reset();
        list_ = nullptr;
        PostQuitMessage(0);
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        window_.Release();  // the system destroys it
        break;
    }
    return DefWindowProcW(window, message, wparam, lparam);
  }

  EventLog& log_;
  HWND list_ = nullptr;  // a child, destroyed with the window
  std::optional<DWORD> class_cookie_;
  wendrake::WindowHandle window_;
};

int RunServer(HINSTANCE instance, int show, HostWindow& window, ServerContext& context,
              EventLog& log) {
  const Options& options = context.options;
  // The window exists before the class object is registered: a client that has
  // created an object finds the host's window at once. Without one titled MORKA
  // the picker has no host to bring forward.
  const int show_as = options.no_window ? SW_HIDE : options.minimized ? SW_SHOWMINNOACTIVE : show;
  if (!window.Create(instance, options.no_window ? L"ZeploDemoHost" : options.title, show_as)) {
    log.Error(L"cannot create the window: error " + std::to_wstring(GetLastError()));
    return kFailed;
  }
  // Registered before the class object, so that even the first call of a
  // client can be turned away.
  const Microsoft::WRL::ComPtr<IMessageFilter> filter = MakeBusyFilter(context);
  if (!filter || FAILED(CoRegisterMessageFilter(filter.Get(), nullptr))) {
    log.Error(L"cannot register the message filter");
    return kFailed;
  }
  const Microsoft::WRL::ComPtr<IClassFactory> factory = MakeClassFactory(context);
  DWORD cookie = 0;
  const HRESULT hr = factory
                         ? CoRegisterClassObject(CLSID_ZeploProgram, factory.Get(),
                                                 CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie)
                         : E_OUTOFMEMORY;
  if (FAILED(hr)) {
    log.Error(L"CoRegisterClassObject failed: " + HresultText(hr));
    return kFailed;
  }
  window.AdoptClassObject(cookie);
  window.Record(L"ready");

  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return kFailed;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return kOk;
}

int Serve(HINSTANCE instance, int show, const Options& options, EventLog& log) {
  // Declared before the apartment: objects that clients still hold are released
  // by CoUninitialize and report to the window and the log.
  HostWindow window(log);
  ServerContext context{options, window};
  context.busy_until = options.busy ? GetTickCount64() + options.busy : 0;
  int result = kFailed;
  {
    Apartment apartment;
    if (FAILED(apartment.result())) {
      log.Error(L"CoInitializeEx failed: " + HresultText(apartment.result()));
      return kFailed;
    }
    context.interface_id = ServedInterface(options.typelib);
    // Our own COM references (filter, factory, type library) are released
    // before CoUninitialize: they are gone when RunServer returns.
    result = RunServer(instance, show, window, context, log);
    CoRegisterMessageFilter(nullptr, nullptr);
  }
  window.Record(L"exit");
  return result;
}

}  // namespace
}  // namespace demo_host

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  using namespace demo_host;
  int count = 0;
  const std::unique_ptr<wchar_t*, decltype(&LocalFree)> args(
      CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  EventLog log;
  Options options;
  const std::wstring error =
      args ? ParseCommandLine(count, args.get(), options) : L"cannot read the command line";
  if (!error.empty()) {
    log.Error(error + L"\n" + kUsage);
    return kBadUsage;
  }
  if (!options.log_path.empty()) {
    if (const DWORD status = log.Open(options.log_path); status != ERROR_SUCCESS) {
      log.Error(L"cannot open the log " + options.log_path + L": error " + std::to_wstring(status));
      return kFailed;
    }
  }
  if (options.action == Options::Action::kServe) return Serve(instance, show, options, log);
  Apartment apartment;
  return options.action == Options::Action::kRegister ? Register(log, options.typelib)
                                                      : Unregister(log);
}
