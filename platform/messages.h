#pragma once
// What the program says to the user.
#include <windows.h>

#include <string_view>

#include "platform/failure.h"

namespace wendrake {

// Modal message with an exclamation icon and an OK button.
void ShowMessage(HWND owner, std::wstring_view text, std::wstring_view title);

// The end of a failure nobody traps: code and description to the user, then
// the process ends without further events.
[[noreturn]] void ReportUnhandledFailure(HWND owner, const Failure& failure);

}  // namespace wendrake
