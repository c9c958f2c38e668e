// The demo host's command line.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>

namespace demo_host {

enum ExitCode { kOk = 0, kFailed = 1, kBadUsage = 2 };

extern const wchar_t kUsage[];

// What a member raises instead of doing its work, as the host's own automation
// reports a failed command.
struct RaisedError {
  WORD code = 0;
  std::wstring description;
};

struct Options {
  enum class Action { kServe, kRegister, kUnregister } action = Action::kServe;
  // The release of the type library registered and served: its resource number
  // in the exe, or 0 for none (then the object answers IDispatch alone).
  int typelib = 1;
  std::wstring log_path;
  std::wstring title = L"MORKA";
  bool no_window = false;
  bool no_interface = false;  // a host of another version, without the release's interface
  bool minimized = false;
  std::optional<RaisedError> fail_158;
  std::optional<RaisedError> fail_159;
  std::optional<DISPID> stall;  // never returns, so that a test can end the host mid-call
  DWORD busy = 0;               // turns every call away for this long from the start
  DWORD busy_after_158 = 0;     // and for this long once member 158 has run
};

// Fills `options`; returns what is wrong with the command line, or "".
std::wstring ParseCommandLine(int count, wchar_t** args, Options& options);

}  // namespace demo_host
