#pragma once
// Text files read whole, decoded as they were saved (DecodeText).
// Opening never creates the file, and it is closed before the text is used.
#include <string>
#include <string_view>

namespace wendrake {

// Text in the system's ANSI code page, as the 8-bit shell calls and files
// without a byte-order mark that are not UTF-8 deliver it.
std::wstring FromAnsi(std::string_view text);

// The decoded text of the file. Fails with 53 when the file is missing, 76
// when its folder is, 6 when it holds more than kTextFileLimit bytes, or the
// code of any other system error.
std::wstring ReadTextFile(const std::wstring& path);

}  // namespace wendrake
