#include "event_log.h"

#include <new>

namespace demo_host {
namespace {

std::string Utf8(std::wstring_view text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? size : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace

// Appending, and sharing with other writers: several hosts may share one log.
DWORD EventLog::Open(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  file_.Reset(file);
  return ERROR_SUCCESS;
}

// A single WriteFile per line: a reader polling the file never sees half a line.
void EventLog::Write(std::wstring_view line) noexcept {
  if (!file_) return;
  try {
    const std::string bytes = Utf8(line) + '\n';
    DWORD written = 0;
    WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  } catch (const std::bad_alloc&) {
    // A lost log line must not take the host down.
  }
}

// A GUI program has no console of its own: errors go to whatever standard error
// it inherited, and into the log, where a test looks first.
void EventLog::Error(std::wstring_view message) noexcept {
  try {
    Write(L"error " + std::wstring(message));
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    const std::string line = Utf8(L"ZeploDemoHost: " + std::wstring(message) + L"\n");
    DWORD written = 0;
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } catch (const std::bad_alloc&) {
    // Nothing left to report with.
  }
}

std::wstring HresultText(HRESULT hr) {
  wchar_t text[16] = {};
  wsprintfW(text, L"0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace demo_host
