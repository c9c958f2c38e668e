#include "platform/application.h"

#include <commctrl.h>
#include <objbase.h>

#include "platform/failure.h"

namespace wendrake {

Application::Application(const wchar_t* instanceName) {
  // The mutex lives as long as this process; a copy started later sees it.
  instanceMutex_.Reset(::CreateMutexW(nullptr, FALSE, instanceName));
  prevInstance_ = ::GetLastError() == ERROR_ALREADY_EXISTS;
  comInitialized_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
}

Application::~Application() {
  if (comInitialized_) ::CoUninitialize();
}

int Application::Run() {
  MSG msg{};
  BOOL got = 0;
  while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  // -1: the loop itself failed, which must not look like a clean end.
  return got == 0 ? static_cast<int>(msg.wParam) : code::kInternalError;
}

}  // namespace wendrake
