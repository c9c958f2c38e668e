// What the demo host tells the tests: one line per event in an append-only
// log file, and error reports.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/handles.h"

namespace demo_host {

class EventLog {
 public:
  // Returns ERROR_SUCCESS or the Win32 error of opening `path`.
  DWORD Open(const std::wstring& path);
  // Does nothing until a log is open.
  void Write(std::wstring_view line) noexcept;
  // "error <message>" in the log, and the message on standard error.
  void Error(std::wstring_view message) noexcept;

 private:
  wendrake::FileHandle file_;
};

std::wstring HresultText(HRESULT hr);

}  // namespace demo_host
