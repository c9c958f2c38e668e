#include "platform/twips.h"

#include <cmath>

namespace wendrake {
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

}  // namespace wendrake
