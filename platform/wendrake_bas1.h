#pragma once
// The picker's direct calls on the operating system: the shell's folder,
// the screen's scale, the previous instance and the topmost setting.
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/application.h"

namespace Wendrake_bas1 {

// The shell folder's file-system path without a trailing backslash, or ""
// when the shell cannot tell (35 is the all-users application data).
std::wstring GetSpecialFolderPath(int32_t folder);

// Horizontal pixels a twips length covers, with the screen's twips per pixel
// rounded to a whole number first, as positions were always scaled.
double TwipsToPixelsX(double twips);

// Ends the process at once, storing nothing, when another copy runs.
void EndIfPrevInstance(const wendrake::Application& app);

// Keeps the window above all non-topmost windows, also when the host is
// activated.
void SetTopMost(HWND window);

}  // namespace Wendrake_bas1
