#include "platform/text_file.h"

#include <windows.h>

#include <climits>

#include "platform/failure.h"
#include "platform/handles.h"
#include "platform/text_lines.h"

namespace wendrake {

std::wstring FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  // As much as one conversion takes; no catalogue comes near it.
  if (text.size() > INT_MAX) throw Failure(code::kOutOfMemory);
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) ThrowSystemError(::GetLastError());
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::wstring ReadTextFile(const std::wstring& path) {
  // An editor or a spreadsheet may keep the file open for writing while the
  // administrator works; the picker reads it all the same.
  const FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) ThrowSystemError(::GetLastError());
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) ThrowSystemError(::GetLastError());
  // The encoding is told from the whole file, so all of it is read first.
  const std::string bytes =
      ReadWithinLimit(static_cast<uint64_t>(size.QuadPart), [&](char* buffer, size_t wanted) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), buffer, static_cast<DWORD>(wanted), &read, nullptr)) {
          ThrowSystemError(::GetLastError());
        }
        return static_cast<size_t>(read);
      });
  return DecodeText(bytes, FromAnsi);
}

}  // namespace wendrake
