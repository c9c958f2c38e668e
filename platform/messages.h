#pragma once
// What the program says to the user.
#include <windows.h>

#include <string_view>

namespace wendrake {

// The program's name: the caption of its window and of its messages.
inline constexpr wchar_t kCaption[] = L"VUX-Wendrake";

// Modal message with an exclamation icon and an OK button.
void ShowMessage(HWND owner, std::wstring_view text, std::wstring_view title);

// Inside a catch block: the end of a failure nobody traps. Code and
// description to the user, then the process ends without further events.
[[noreturn]] void ReportUnhandledFailure(HWND owner) noexcept;

}  // namespace wendrake
