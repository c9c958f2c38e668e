// bench_timer REPS: the picker against its baselines in one Wine session.
// Both sides run in every repetition, taking turns at going first, so that
// load from elsewhere on the machine falls on both alike.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/demo_host.h"
#include "tests/support/picker_harness.h"

namespace {

using namespace wendrake::e2e;
using Sample = std::vector<double>;  // the figures of one run of one side

double Now() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// Whatever the run started, bench/run's end of the Wine session ends it.
void Check(bool condition, const char* failure) {
  if (condition) return;
  std::printf("bench_timer: %s\n", failure);
  std::exit(1);
}

// To a visible top-level window, polled every millisecond; then the peak
// working set once the program has settled.
Sample Launch(const char* side, const std::wstring& exe) {
  const double start = Now();
  Process process = Process::Start(exe);
  std::vector<HWND> windows;
  while (process.Handle() != nullptr && (windows = process.Windows()).empty())
    Check(!process.WaitForExit(1) && Now() - start < 20000, "a program showed no window");
  const double shown = Now() - start;
  Check(!windows.empty() && ClassName(windows[0]) != L"#32770", "a program showed no window");
  ::Sleep(300);
  PROCESS_MEMORY_COUNTERS memory{};
  Check(::K32GetProcessMemoryInfo(process.Handle(), &memory, sizeof memory), "no memory figures");
  Check(process.Close() == 0u, "a program did not close cleanly");
  std::printf("  launch %-6s %7.1f ms %7zu KB\n", side, shown, memory.PeakWorkingSetSize / 1024);
  return {shown, memory.PeakWorkingSetSize / 1024.0};
}

// From a click on a row of the list to the host's next "159 " line; its
// "released" line is awaited untimed, so that the next hand-off finds a
// quiet host. Press and release go in one call: the harness's Click paces
// its steps with pauses that would fall inside the timed span.
Sample HandOff(const DemoHost& host, Process& actor, const char* side, HWND list, int row) {
  MoveMouse(RowCentre(list, row));
  ::Sleep(100);
  const size_t handed = host.CountLines("159 "), released = host.CountLines("released");
  INPUT press[2] = {};
  press[0].type = press[1].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  const double start = Now();
  ::SendInput(2, press, sizeof(INPUT));
  double took = -1;
  while (took < 0 || host.CountLines("released") == released) {
    if (took < 0 && host.CountLines("159 ") > handed) took = Now() - start;
    Check(!actor.WaitForExit(1) && Now() - start < 10000, "a hand-off did not reach the host");
  }
  std::printf("  click  %-6s %7.1f ms\n", side, took);
  return {took};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return (values[(values.size() - 1) / 2] + values[values.size() / 2]) / 2;
}

// One unrecorded turn of each side, then REPS of each, the first alternating;
// then a row for each figure. The verdict is on the ratio of the medians;
// "paired", the median of the ratios within each repetition, drifting load
// disturbs less: where the two differ much, the machine was too busy.
void Compare(int reps, const std::function<Sample()>& picker,
             const std::function<Sample()>& baseline,
             const std::vector<std::pair<const char*, double>>& goals) {
  const size_t figures = goals.size();
  std::vector<std::vector<double>> mine(figures), theirs(figures), ratios(figures);
  for (int rep = -1; rep < reps; ++rep) {
    const bool pickerFirst = rep % 2 == 0;
    const Sample first = pickerFirst ? picker() : baseline();
    const Sample second = pickerFirst ? baseline() : picker();
    for (size_t f = 0; rep >= 0 && f < figures; ++f) {
      mine[f].push_back((pickerFirst ? first : second)[f]);
      theirs[f].push_back((pickerFirst ? second : first)[f]);
      ratios[f].push_back(mine[f].back() / theirs[f].back());
    }
  }
  for (size_t f = 0; f < figures; ++f) {
    const double ratio = Median(mine[f]) / Median(theirs[f]), goal = goals[f].second;
    std::printf("%-24s %9.1f %9.1f %7.3f %7.3f  <=%.2f  %s\n", goals[f].first, Median(mine[f]),
                Median(theirs[f]), ratio, Median(ratios[f]), goal,
                ratio <= goal ? "met" : "MISSED");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int reps = argc == 2 ? _wtoi(argv[1]) : 0;
  Check(reps > 0, "usage: bench_timer REPS");
  Compare(
      reps, [] { return Launch("picker", FromBuildPath(WENDRAKE_EXE)); },
      [] { return Launch("floor", FromBuildPath(BASELINE_EXE)); },
      {{"launch to window (ms)", 1.05}, {"peak working set (KB)", 1.02}});

  Check(DemoHost::Run(L"--register") == 0u, "the demo host could not register");
  const DemoHost host;
  // Both lists are clicked the same way, each on its other row every time,
  // since a click on the selected row selects nothing.
  Process client = Process::Start(FromBuildPath(BASELINE_EXE), L"client");
  const HWND clientList = ListBoxOf(client.WaitForWindow(L"WendrakeBenchClient"));
  Process shown = StartPicker();
  const HWND list = ListBoxOf(shown.WaitForWindow(kPickerClass));
  for (const HWND rows : {list, clientList})
    Check(::SendMessageW(rows, LB_GETCOUNT, 0, 0) >= 2, "a list without two rows");
  int pickerClicks = 0, clientClicks = 0;
  Compare(
      reps, [&] { return HandOff(host, shown, "picker", list, pickerClicks++ % 2); },
      [&] { return HandOff(host, client, "client", clientList, clientClicks++ % 2); },
      {{"click to 159 line (ms)", 1.10}});
  client.Close();
  shown.Close();
  return 0;
}
