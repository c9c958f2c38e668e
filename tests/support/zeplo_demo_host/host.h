// The parts of ZeploDemoHost: the command line, the registration and the COM
// objects, each in a file of its own, and the event log here; main.cpp
// serves them.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "platform/handles.h"
#include "tests/support/utf8_line.h"

namespace demo_host {

using Microsoft::WRL::ComPtr;

enum ExitCode { kOk = 0, kFailed = 1, kBadUsage = 2 };

// What a member raises instead of doing its work, as MORKA reports a failed command.
struct RaisedError {
  WORD code = 0;
  std::wstring description;
};

struct Options {
  enum class Action { kServe, kRegister, kUnregister } action = Action::kServe;
  int typelib = 1;  // the release registered and served: its resource in the exe; 0 for none
  std::wstring log_path;
  std::wstring title = L"MORKA";
  bool no_window = false;
  bool no_interface = false;  // a host of another version, without the release's interface
  bool minimized = false;
  std::optional<RaisedError> fail[2];  // of members 158 and 159
  DISPID stall = 0;                    // this member never returns
  DWORD busy = 0;                      // turns every call away for this long from the start
  DWORD busy_after_158 = 0;            // and for this long once member 158 has run
};

// Fills `options`; returns what is wrong with the command line, or "".
std::wstring ParseCommandLine(int count, wchar_t** args, Options& options);

class EventLog {
 public:
  // Appending, and sharing with other writers: several hosts may share one log.
  DWORD Open(const std::wstring& path) {  // ERROR_SUCCESS or why not
    file_.Reset(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_ ? ERROR_SUCCESS : GetLastError();
  }
  void Write(std::wstring_view line) noexcept {  // once open
    wendrake::e2e::WriteUtf8Line(file_.Get(), line);
  }
  // "error <what>[: <code>]" in the log and, as a GUI program has no console
  // of its own, on the standard error it inherited; returns kFailed.
  int Fail(const std::wstring& what, unsigned long code = 0) noexcept {
    wchar_t line[1024] = {};  // as much as wsprintfW writes
    wsprintfW(line, code ? L"error %ls: 0x%08lX" : L"error %ls", what.c_str(), code);
    Write(line);
    wendrake::e2e::WriteUtf8Line(GetStdHandle(STD_ERROR_HANDLE), line);
    return kFailed;
  }

 private:
  wendrake::FileHandle file_;
};

int Register(EventLog& log, int typelib);  // both return an exit code
int Unregister(EventLog& log);
// The interface release `typelib` declares; GUID_NULL for none or when unreadable.
IID ServedInterface(int typelib);

// The running server, shared by the window and the COM objects.
struct ServerContext {
  const Options& options;
  EventLog& log;
  std::optional<DWORD> class_cookie{};  // revoked as the window goes
  IID interface_id = GUID_NULL;         // answered besides IDispatch, unless GUID_NULL
  ULONGLONG busy_until = 0;             // tick count until which every call is turned away
  LONG live_objects = 0;                // over all objects: did clients release all they made?
};

// Registers the busy filter, then the class object; COM holds them from then on.
HRESULT RegisterServer(ServerContext& context, DWORD& class_cookie);

}  // namespace demo_host
