#pragma once
// Twips, 1/1440 inch, the unit every position and size of the window is
// kept in, and the screen as the program sees it: it declares no DPI
// awareness, so stored positions mean the same whatever the screen's scale.
#include <windows.h>

namespace wendrake {

// Screen metrics as the program sees them (it declares no DPI awareness).
float TwipsPerPixelX();
float TwipsPerPixelY();
float ScreenWidthTwips();
float ScreenHeightTwips();

// Twips to whole pixels, to the nearest pixel.
int PixelsX(double twips);
int PixelsY(double twips);

// A window's outer rectangle in twips: screen coordinates for a top-level
// window, the parent's client coordinates for a child.
struct TwipsRect {
  float Left = 0;
  float Top = 0;
  float Width = 0;
  float Height = 0;
};
TwipsRect GetTwipsRect(HWND window);
void SetTwipsRect(HWND window, const TwipsRect& rect);

}  // namespace wendrake
