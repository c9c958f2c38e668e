#include "tests/support/demo_host.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace wendrake::e2e {
namespace {

std::wstring FreshLogPath() {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  wchar_t path[MAX_PATH] = {};
  ::GetTempFileNameW(folder, L"zph", 0, path);
  return path;
}

}  // namespace

std::optional<DWORD> DemoHost::Run(const std::wstring& arguments) {
  return Process::Start(FromBuildPath(DEMO_HOST_EXE), arguments).WaitForExit(30000);
}

DemoHost::DemoHost(const std::wstring& options)
    : logPath_(FreshLogPath()),
      process_(
          Process::Start(FromBuildPath(DEMO_HOST_EXE), L"--log \"" + logPath_ + L"\" " + options)) {
  WaitForLines("ready");
}

DemoHost::~DemoHost() {
  process_.Close(5000);
  ::DeleteFileW(logPath_.c_str());
}

std::vector<std::string> DemoHost::Log() const {
  std::ifstream file{std::filesystem::path(logPath_)};
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

size_t DemoHost::CountLines(const std::string& prefix) const {
  const std::vector<std::string> lines = Log();
  return std::count_if(lines.begin(), lines.end(), [&](auto& l) { return l.starts_with(prefix); });
}

bool DemoHost::WaitForLines(const std::string& prefix, size_t count, DWORD milliseconds) const {
  return WaitFor([&] { return CountLines(prefix) >= count; }, milliseconds);
}

HWND DemoHost::MainWindow() const {
  for (HWND window : process_.Windows(nullptr, false))
    if (WindowText(window).starts_with(L"MORKA")) return window;
  return nullptr;
}

std::string HostDataPath(const std::string& file) {
  return "C:\\ProgramData\\L-VORDANS\\MORKA\\" + file;
}

}  // namespace wendrake::e2e
