#pragma once
// The demo host in its own process, standing in for MORKA, with the log of
// every call it received.
#include <optional>
#include <string>
#include <vector>

#include "tests/support/picker_harness.h"

namespace wendrake::e2e {

class DemoHost {
 public:
  // Starts the host with its log in a fresh file and waits until it serves.
  explicit DemoHost(const std::wstring& options = {});
  ~DemoHost();  // closes it as a user would close its window

  // Runs the host for one action, such as --register; its exit code.
  static std::optional<DWORD> Run(const std::wstring& arguments);

  // Ends the host at once, as a crash would.
  void Kill() { process_.Kill(); }

  std::vector<std::string> Log() const;
  // The log's lines that start with `prefix`, and a wait until there are `count`.
  size_t CountLines(const std::string& prefix) const;
  bool WaitForLines(const std::string& prefix, size_t count = 1, DWORD milliseconds = 10000) const;
  // Its main window (titled MORKA unless told otherwise), or null.
  HWND MainWindow() const;

 private:
  std::wstring logPath_;
  Process process_;
};

// The host's data folder as the picker builds it.
std::string HostDataPath(const std::string& file);

}  // namespace wendrake::e2e
