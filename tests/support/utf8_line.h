#pragma once
// One WriteFile per line, in UTF-8: a reader polling the file never sees half
// a line. A line that cannot be written is lost, never thrown.
#include <windows.h>

#include <new>
#include <string>
#include <string_view>

namespace wendrake::e2e {

inline void WriteUtf8Line(HANDLE file, std::wstring_view line) noexcept {
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return;
  try {
    const int length = static_cast<int>(line.size());
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, line.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size) + 1, '\n');
    ::WideCharToMultiByte(CP_UTF8, 0, line.data(), length, bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace wendrake::e2e
