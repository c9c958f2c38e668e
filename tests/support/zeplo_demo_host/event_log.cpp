#include "host.h"

namespace demo_host {

// One WriteFile per line, in UTF-8: a reader polling the file never sees half a line.
void EventLog::WriteLine(HANDLE file, std::wstring_view line) noexcept {
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return;
  try {
    const int length = static_cast<int>(line.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, line.data(), length, nullptr, 0, nullptr, nullptr);
    std::string bytes(size + 1, '\n');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), length, bytes.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  } catch (const std::bad_alloc&) {
    // A lost line must not take the host down.
  }
}

// Appending, and sharing with other writers: several hosts may share one log.
DWORD EventLog::Open(const std::wstring& path) {
  file_.Reset(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file_ ? ERROR_SUCCESS : GetLastError();
}

// A GUI program has no console of its own: errors go into the log, where a test
// looks first, and to the standard error it inherited, as from a shell.
int EventLog::Fail(const std::wstring& what, unsigned long code) noexcept {
  wchar_t line[1024] = {};  // as much as wsprintfW writes
  wsprintfW(line, code ? L"error %ls: 0x%08lX" : L"error %ls", what.c_str(), code);
  Write(line);
  WriteLine(GetStdHandle(STD_ERROR_HANDLE), line);
  return kFailed;
}

}  // namespace demo_host
