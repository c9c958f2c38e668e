#pragma once
#include <cstdint>
#include <string>

#include "catalogue/plotter_table.h"

namespace wendrake {

// The host's members that take the plotter's files, and its window title.
inline constexpr long kLoadFirstFile = 158;
inline constexpr long kLoadSecondFile = 159;
inline constexpr wchar_t kHostTitle[] = L"MORKA";

// A file of the host's data folder below the all-users application data.
std::wstring HostFilePath(const std::wstring& commonDataPath, const std::wstring& file);

// What the user reads when a hand-off fails.
std::wstring HandOffFailureText(int32_t code, const std::wstring& description);

}  // namespace wendrake
