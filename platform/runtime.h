#pragma once
// Our thin layer over the Win32 services the picker relies on: the process
// (single instance, COM apartment, message loop), screen metrics and twips
// geometry, messages to the user, and the report of an unhandled failure.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/failure.h"
#include "platform/handles.h"

namespace wendrake {

// ANSI code page text as UTF-16.
std::wstring FromAnsi(std::string_view text);

// Throws the failure for a Win32 error code (GetLastError).
[[noreturn]] void ThrowSystemError(DWORD error);

// One per process, created before the window: the previous-instance test,
// the single-threaded COM apartment and the common controls.
class Application {
 public:
  explicit Application(const wchar_t* instanceName);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // True when another copy of the program was already running at start.
  bool PrevInstance() const { return prevInstance_; }
  // Runs the message loop until the program ends; returns the exit code.
  int Run();

 private:
  KernelHandle instanceMutex_;
  bool prevInstance_ = false;
  bool comInitialized_ = false;
};

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

// Modal message with an exclamation icon and an OK button.
void ShowMessage(HWND owner, std::wstring_view text, std::wstring_view title);

// The end of a failure nobody traps: code and description to the user, then
// the process ends without further events.
[[noreturn]] void ReportUnhandledFailure(HWND owner, const Failure& failure);

}  // namespace wendrake
