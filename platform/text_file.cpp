#include "platform/text_file.h"

#include "platform/ansi_text.h"
#include "platform/system_error.h"

namespace wendrake {

TextFile TextFile::OpenForInput(const std::wstring& path) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) ThrowLastError();
  return TextFile(std::move(file));
}

TextFile::TextFile(FileHandle file)
    : file_(std::move(file)),
      // The raw handle stays the same when the file object moves.
      lines_([handle = file_.Get()](char* buffer, size_t capacity) -> size_t {
        DWORD read = 0;
        if (!::ReadFile(handle, buffer, static_cast<DWORD>(capacity), &read, nullptr)) {
          ThrowLastError();
        }
        return read;
      }) {}

std::wstring TextFile::ReadLine() {
  return FromAnsi(lines_.ReadLine());
}

}  // namespace wendrake
