#include "host.h"

namespace demo_host {

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
  wendrake::e2e::WriteUtf8Line(GetStdHandle(STD_ERROR_HANDLE), line);
  return kFailed;
}

}  // namespace demo_host
