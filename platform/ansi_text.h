#pragma once
// Text in the system's ANSI code page, as the catalogue and the 8-bit shell
// calls deliver it.
#include <string>
#include <string_view>

namespace wendrake {

// ANSI code page text as UTF-16.
std::wstring FromAnsi(std::string_view text);

}  // namespace wendrake
