// ZeploDemoHost serves "ZeploProgram" from a window titled MORKA, as the CAD application does.
#include "host.h"

#include <shellapi.h>

namespace demo_host {
namespace {

struct Apartment {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ~Apartment() {
    if (SUCCEEDED(result)) CoUninitialize();
  }
};

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* context = reinterpret_cast<ServerContext*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (context && message == WM_ACTIVATE && LOWORD(wparam) != WA_INACTIVE) {
    context->log.Write(L"activated");
  } else if (context && message == WM_DESTROY) {
    // The class object goes first: from then on COM starts a new host for new
    // clients instead of handing them one that is going away.
    if (context->class_cookie) CoRevokeClassObject(*context->class_cookie);
    PostQuitMessage(0);
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// Serves until the window is closed. The context outlives the apartment:
// CoUninitialize releases the objects that clients still hold, which report to it.
int Serve(HINSTANCE instance, int show, ServerContext& context) {
  const Options& options = context.options;
  const Apartment apartment;
  if (FAILED(apartment.result)) return context.log.Fail(L"CoInitializeEx failed", apartment.result);
  context.interface_id = options.no_interface ? GUID_NULL : ServedInterface(options.typelib);
  const int shown = options.no_window ? SW_HIDE : options.minimized ? SW_SHOWMINNOACTIVE : show;
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &WindowProcedure;
  window_class.hInstance = instance;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"ZeploDemoHostWindow";
  RegisterClassW(&window_class);
  // The window comes before the class object, so that a client that has created
  // an object finds it: without a window titled MORKA, no host to bring forward.
  wendrake::WindowHandle window(CreateWindowExW(
      0, window_class.lpszClassName, options.no_window ? L"ZeploDemoHost" : options.title.c_str(),
      WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 420, 300, nullptr, nullptr, instance,
      nullptr));
  if (!window) return context.log.Fail(L"cannot create the window", GetLastError());
  SetWindowLongPtrW(window.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&context));
  ShowWindow(window.Get(), shown);
  DWORD cookie = 0;
  if (const HRESULT hr = RegisterServer(context, cookie); FAILED(hr))
    return context.log.Fail(L"cannot serve ZeploProgram", hr);
  context.class_cookie = cookie;
  context.log.Write(L"ready");

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  window.Release();  // the quit comes as the window is destroyed
  // COM's references to the filter go before CoUninitialize; ours went already.
  CoRegisterMessageFilter(nullptr, nullptr);
  return kOk;
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
    log.Fail(error);
    return kBadUsage;
  }
  if (const DWORD status = options.log_path.empty() ? 0 : log.Open(options.log_path))
    return log.Fail(L"cannot open the log " + options.log_path, status);
  if (options.action != Options::Action::kServe) {
    const Apartment apartment;
    return options.action == Options::Action::kRegister ? Register(log, options.typelib)
                                                        : Unregister(log);
  }
  ServerContext context{options, log};
  context.busy_until = GetTickCount64() + options.busy;
  const int result = Serve(instance, show, context);
  context.log.Write(L"exit");
  return result;
}
