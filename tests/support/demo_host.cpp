#include "tests/support/demo_host.h"

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

std::wstring DemoHost::Exe() {
  return FromBuildPath(DEMO_HOST_EXE);
}

std::optional<DWORD> DemoHost::Run(const std::wstring& arguments) {
  return Process::Start(Exe(), arguments).WaitForExit(30000);
}

DemoHost::DemoHost(const std::wstring& options)
    : logPath_(FreshLogPath()),
      process_(Process::Start(Exe(), L"--log \"" + logPath_ + L"\" " + options)) {
  WaitForLines("ready");
}

DemoHost::~DemoHost() {
  process_.Close(5000);
  ::DeleteFileW(logPath_.c_str());
}

std::vector<std::string> DemoHost::Log() const {
  std::ifstream file{std::filesystem::path(logPath_)};
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool DemoHost::WaitForLines(const std::string& prefix, size_t count, DWORD milliseconds) const {
  return WaitFor(
      [&] {
        size_t found = 0;
        for (const std::string& line : Log()) found += line.rfind(prefix, 0) == 0 ? 1 : 0;
        return found >= count;
      },
      milliseconds);
}

HWND DemoHost::MainWindow() const {
  for (HWND window : process_.Windows(nullptr, false)) {
    if (WindowText(window).starts_with(L"MORKA")) return window;
  }
  return nullptr;
}

std::string HostDataPath(const std::string& file) {
  return "C:\\ProgramData\\L-VORDANS\\MORKA\\" + file;
}

}  // namespace wendrake::e2e
