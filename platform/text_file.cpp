#include "platform/text_file.h"

#include "platform/failure.h"

namespace wendrake {

std::wstring FromAnsi(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) ThrowSystemError(::GetLastError());
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

TextFile TextFile::OpenForInput(const std::wstring& path) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) ThrowSystemError(::GetLastError());
  return TextFile(std::move(file));
}

TextFile::TextFile(FileHandle file)
    : file_(std::move(file)),
      // The raw handle stays the same when the file object moves.
      lines_([handle = file_.Get()](char* buffer, size_t capacity) -> size_t {
        DWORD read = 0;
        if (!::ReadFile(handle, buffer, static_cast<DWORD>(capacity), &read, nullptr)) {
          ThrowSystemError(::GetLastError());
        }
        return read;
      }) {}

std::wstring TextFile::ReadLine() {
  return FromAnsi(lines_.ReadLine());
}

}  // namespace wendrake
