#include "platform/runtime.h"

#include <commctrl.h>
#include <objbase.h>

#include <cmath>

namespace wendrake {

std::wstring FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) ThrowSystemError(::GetLastError());
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

void ThrowSystemError(DWORD error) {
  throw Failure(CodeFromSystemError(error));
}

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
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

namespace {

int ScreenDpi(int index) {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, index);
  ::ReleaseDC(nullptr, screen);
  return dpi;
}

// Children are placed in their parent's client coordinates.
POINT ToParentClient(HWND window, POINT screen) {
  if (const HWND parent = ::GetParent(window);
      parent != nullptr && (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0) {
    ::ScreenToClient(parent, &screen);
  }
  return screen;
}

}  // namespace

// A program that declares no DPI awareness sees one system DPI for its whole
// life, so the screen is asked once rather than for every conversion.
float TwipsPerPixelX() {
  static const float twipsPerPixel = 1440.0f / static_cast<float>(ScreenDpi(LOGPIXELSX));
  return twipsPerPixel;
}
float TwipsPerPixelY() {
  static const float twipsPerPixel = 1440.0f / static_cast<float>(ScreenDpi(LOGPIXELSY));
  return twipsPerPixel;
}
float ScreenWidthTwips() {
  return static_cast<float>(::GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX();
}
float ScreenHeightTwips() {
  return static_cast<float>(::GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY();
}

int PixelsX(double twips) {
  return static_cast<int>(std::lround(twips / TwipsPerPixelX()));
}
int PixelsY(double twips) {
  return static_cast<int>(std::lround(twips / TwipsPerPixelY()));
}

TwipsRect GetTwipsRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  const POINT topLeft = ToParentClient(window, POINT{r.left, r.top});
  const float x = TwipsPerPixelX();
  const float y = TwipsPerPixelY();
  return TwipsRect{static_cast<float>(topLeft.x) * x, static_cast<float>(topLeft.y) * y,
                   static_cast<float>(r.right - r.left) * x,
                   static_cast<float>(r.bottom - r.top) * y};
}

void SetTwipsRect(HWND window, const TwipsRect& rect) {
  ::SetWindowPos(window, nullptr, PixelsX(rect.Left), PixelsY(rect.Top), PixelsX(rect.Width),
                 PixelsY(rect.Height), SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowMessage(HWND owner, std::wstring_view text, std::wstring_view title) {
  ::MessageBoxW(owner, std::wstring(text).c_str(), std::wstring(title).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

void ReportUnhandledFailure(HWND owner, const Failure& failure) {
  const std::wstring text =
      L"Laufzeitfehler " + std::to_wstring(failure.Code()) + L":\n\n" + failure.Description();
  ::MessageBoxW(owner, text.c_str(), L"VUX-Wendrake", MB_OK | MB_ICONEXCLAMATION);
  ::ExitProcess(static_cast<UINT>(failure.Code()));
}

}  // namespace wendrake
