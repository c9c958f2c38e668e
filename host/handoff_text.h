#pragma once
// What the hand-off sends the host and tells the user, apart from Win32.
#include <cstdint>
#include <string>

namespace wendrake {

// The host's members that take the plotter's files, and its window title.
inline constexpr long kLoadFirstFile = 158;
inline constexpr long kLoadSecondFile = 159;
inline constexpr wchar_t kHostTitle[] = L"MORKA";

// A file of the host's data folder below the all-users application data.
std::wstring HostFilePath(const std::wstring& commonDataPath, const std::wstring& file);

// What the user reads when a hand-off fails.
std::wstring HandOffFailureText(int32_t code, const std::wstring& description);

// The question while the host turns the hand-off of `plotter` away.
std::wstring BusyText(const std::wstring& plotter, bool firstFileHandedOver);

// After the user gave up waiting between the two files.
std::wstring PartialHandOffText(const std::wstring& plotter, const std::wstring& secondFilePath);

}  // namespace wendrake
