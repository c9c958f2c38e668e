// Times the picker against its baselines from inside the Wine session, where
// windows, input and the host's log can be watched without a round trip
// through Linux. Every measurement alternates the programs it compares, so
// that load from elsewhere on the machine falls on both alike.
//
//   bench_timer launch REPS SETTLE_MS LABEL=COMMAND LABEL=COMMAND...
//     Per repetition starts each command in turn (the order rotating), polls
//     every millisecond until the process has a visible top-level window,
//     waits SETTLE_MS, reads the process's peak working set, closes the
//     window with WM_CLOSE and waits for the exit. One unmeasured start of
//     each comes first.
//
//   bench_timer click REPS PICKER_EXE HOST_LOG SIDE...
//     Starts the picker (untimed) and each resident client, then per
//     repetition, the order rotating, causes one hand-off per SIDE, timed from
//     the action to the host's log gaining the next "159 " line and the next
//     "released" line. A SIDE is
//       picker          a click with real input on the picker's row 0 or 1
//       posted          the picker's list notification posted, no input
//       LABEL=COMMAND   a bare_client started as COMMAND --resident ...,
//                       signalled through its event
//     The first action of each is reported apart from the rest.
//
// Results are lines "RESULT <measurement> <label> <value>"; the rest is
// detail, each action with its start on the performance counter's clock in
// milliseconds ("at ..."), for lining it up with Wine's +timestamp traces.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "clock.h"
#include "tests/support/picker_harness.h"

namespace {

// Every process started and not yet ended: a failed measurement ends them,
// or the next run would find a picker still running and quit at once.
std::vector<HANDLE> running;

[[noreturn]] void Fail(const char* what, const std::wstring& detail = {}) {
  std::fprintf(stdout, "bench_timer: %s %ls\n", what, detail.c_str());
  std::fflush(stdout);
  for (const HANDLE process : running) ::TerminateProcess(process, 99);
  std::exit(1);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The median of the ratios of samples taken side by side in one repetition:
// load that changes between repetitions cancels out of each ratio.
double PairedRatio(const std::vector<double>& values, const std::vector<double>& reference) {
  std::vector<double> ratios;
  for (size_t i = 0; i < values.size() && i < reference.size(); ++i) {
    ratios.push_back(values[i] / reference[i]);
  }
  return Median(ratios);
}

// The comparisons' reference: the side labelled "baseline", else "bare".
template <typename T>
const T* Reference(const std::vector<T>& sides) {
  for (const char* name : {"baseline", "bare"}) {
    for (const T& side : sides) {
      if (side.Label() == name) return &side;
    }
  }
  return nullptr;
}

std::string Narrow(std::wstring_view text) {
  std::string ascii;
  for (const wchar_t c : text) ascii += c < 128 ? static_cast<char>(c) : '?';
  return ascii;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

class Child {
 public:
  explicit Child(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
      Fail("cannot start", commandLine);
    }
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    running.push_back(process_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (Running()) ::TerminateProcess(process_, 99);
    std::erase(running, process_);
    ::CloseHandle(process_);
  }

  bool Running() const { return ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
  HANDLE Handle() const { return process_; }

  // Polls every millisecond until the process has a visible top-level
  // window; fails if the process ends first. Each poll costs the Wine server,
  // which the starting process needs too: windows of other processes are
  // asked for their owner once only, so that a poll is one window list and
  // one visibility query per window of the process.
  HWND WaitForWindow(DWORD milliseconds = 20000) const {
    struct Poll {
      DWORD id;
      std::vector<HWND>* others;
      HWND found;
    };
    std::vector<HWND> others;
    const double end = Now() + milliseconds;
    for (;;) {
      Poll poll{id_, &others, nullptr};
      ::EnumWindows(
          [](HWND window, LPARAM param) -> BOOL {
            auto* p = reinterpret_cast<Poll*>(param);
            if (std::find(p->others->begin(), p->others->end(), window) != p->others->end()) {
              return TRUE;
            }
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != p->id) {
              p->others->push_back(window);
              return TRUE;
            }
            if (!::IsWindowVisible(window)) return TRUE;
            p->found = window;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(&poll));
      if (poll.found != nullptr) return poll.found;
      if (!Running()) Fail("a program ended before it showed a window");
      if (Now() > end) Fail("no window within the time");
      ::Sleep(1);
    }
  }

  void Close(HWND window) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) Fail("a program did not close");
  }

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// ---------------------------------------------------------------------------
// Launch to window visible, and peak memory

struct Variant {
  const std::string& Label() const { return label; }
  std::string label;
  std::wstring commandLine;
  std::vector<double> launchMs;
  std::vector<double> peakKb;
};

void LaunchOnce(Variant& variant, DWORD settle, bool record) {
  const double start = Now();
  Child child(variant.commandLine);
  const HWND window = child.WaitForWindow();
  const double shown = Now() - start;
  // A message box instead of the program's own window is a failed start.
  if (ClassOf(window) == L"#32770") Fail("a message box came up for", variant.commandLine);
  ::Sleep(settle);
  // Only the peak working set: Wine reports no private bytes for another process.
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!::K32GetProcessMemoryInfo(child.Handle(), &memory, sizeof memory)) {
    Fail("K32GetProcessMemoryInfo failed for", variant.commandLine);
  }
  child.Close(window);
  const double peakKb = static_cast<double>(memory.PeakWorkingSetSize) / 1024.0;
  std::printf("  %-16s %8.1f ms  peak working set %8.0f KB  (at %.3f)%s\n", variant.label.c_str(),
              shown, peakKb, start, record ? "" : "  first start, not counted");
  if (!record) return;
  variant.launchMs.push_back(shown);
  variant.peakKb.push_back(peakKb);
}

int Launch(int reps, DWORD settle, std::vector<Variant> variants) {
  for (Variant& variant : variants) LaunchOnce(variant, settle, false);
  for (int rep = 0; rep < reps; ++rep) {
    for (size_t i = 0; i < variants.size(); ++i) {
      LaunchOnce(variants[(rep + i) % variants.size()], settle, true);
    }
  }
  for (const Variant& v : variants) {
    const char* label = v.label.c_str();
    std::printf("RESULT launch_ms %s %.2f\n", label, Median(v.launchMs));
    std::printf("RESULT launch_min_ms %s %.2f\n", label,
                *std::min_element(v.launchMs.begin(), v.launchMs.end()));
    std::printf("RESULT peak_ws_kb %s %.0f\n", label, Median(v.peakKb));
    if (const Variant* reference = Reference(variants)) {
      std::printf("RESULT launch_paired_ratio %s %.3f\n", label,
                  PairedRatio(v.launchMs, reference->launchMs));
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Click to both calls received

// Follows the host's log as it grows; lines are written whole, but a read may
// still end inside one, which waits for the next read.
class LogFollower {
 public:
  explicit LogFollower(const std::wstring& path)
      : file_(::CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (file_ == INVALID_HANDLE_VALUE) Fail("cannot open the host's log", path);
    Skip();
  }
  ~LogFollower() { ::CloseHandle(file_); }

  // Drops what the log holds now.
  void Skip() {
    while (NextLine()) {
    }
  }

  // The next complete line, or nullopt when there is none yet.
  std::optional<std::string> NextLine() {
    for (;;) {
      if (const size_t end = pending_.find('\n'); end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
      }
      char buffer[4096];
      DWORD read = 0;
      if (!::ReadFile(file_, buffer, sizeof buffer, &read, nullptr) || read == 0) {
        return std::nullopt;
      }
      pending_.append(buffer, read);
    }
  }

 private:
  HANDLE file_;
  std::string pending_;
};

struct Timing {
  double to159;
  double toReleased;
  std::string line158;
};

// Polls the log every millisecond from `start` until a "released" line.
Timing WaitForHandOff(LogFollower& log, double start, const Child& actor, const char* label) {
  Timing timing{-1, -1, {}};
  std::wstring seen;  // what the log showed, for a failure's report
  const double end = start + 10000;
  for (;;) {
    while (const std::optional<std::string> line = log.NextLine()) {
      const double now = Now() - start;
      seen += L"\n    " + std::wstring(line->begin(), line->end());
      if (line->starts_with("158 ")) timing.line158 = line->substr(4);
      if (line->starts_with("159 ") && timing.to159 < 0) timing.to159 = now;
      if (line->starts_with("error")) Fail("the host reported an error; its log:", seen);
      if (line->starts_with("released") && timing.to159 >= 0) {
        timing.toReleased = now;
        return timing;
      }
    }
    if (!actor.Running()) Fail("a program ended during a hand-off; the host's log:", seen);
    if (Now() > end) {
      std::printf("bench_timer: no hand-off by %s within 10 s; the host's log:%ls\n", label,
                  seen.c_str());
      Fail("giving up");
    }
    ::Sleep(1);
  }
}

POINT RowCentre(HWND list, int row) {
  RECT item{};
  if (::SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
    Fail("the picker's list has no row", std::to_wstring(row));
  }
  POINT point{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ::ClientToScreen(list, &point);
  return point;
}

// One way of causing a hand-off: a real click on the picker, the picker's
// list notification posted without any input (what the click costs beyond
// it), or a resident bare client signalled through its event.
struct Side {
  enum class Kind { kClick, kPosted, kClient };
  const std::string& Label() const { return label; }
  std::string label;
  Kind kind = Kind::kClick;
  std::wstring clientCommand;
  std::unique_ptr<Child> client;
  HANDLE go = nullptr;
  HANDLE quit = nullptr;
  std::wstring timesPath;
  std::vector<double> to159;
  std::vector<double> toReleased;
  std::optional<Timing> first;

  void Record(const Timing& t, double start, bool firstAction) {
    std::printf("  %-10s to 159 %7.2f ms  to released %7.2f ms  (at %.3f)%s\n", label.c_str(),
                t.to159, t.toReleased, start, firstAction ? "  first, counted apart" : "");
    if (firstAction) {
      first = t;
      return;
    }
    to159.push_back(t.to159);
    toReleased.push_back(t.toReleased);
  }

  void Report() const {
    std::printf("RESULT click_159_ms %s %.2f\n", label.c_str(), Median(to159));
    std::printf("RESULT click_released_ms %s %.2f\n", label.c_str(), Median(toReleased));
    std::printf("RESULT click_159_min_ms %s %.2f\n", label.c_str(),
                *std::min_element(to159.begin(), to159.end()));
    std::printf("RESULT first_click_159_ms %s %.2f\n", label.c_str(), first->to159);
    if (kind != Kind::kClient) return;
    // The client's own clock, from before CLSIDFromProgID to the return of
    // the second Invoke: a check on what watching the log adds.
    std::vector<double> invoked;
    if (FILE* file = _wfopen(timesPath.c_str(), L"r")) {
      int round = 0;
      double created = 0, both = 0, released = 0;
      while (std::fscanf(file, "%d %lf %lf %lf", &round, &created, &both, &released) == 4) {
        if (round > 0) invoked.push_back(both);
      }
      std::fclose(file);
    }
    std::printf("RESULT own_clock_invoked_ms %s %.2f\n", label.c_str(), Median(invoked));
  }
};

Side ParseSide(std::wstring_view arg) {
  Side side;
  if (arg == L"picker" || arg == L"posted") {
    side.label = Narrow(arg);
    side.kind = arg == L"picker" ? Side::Kind::kClick : Side::Kind::kPosted;
    return side;
  }
  const size_t equals = arg.find(L'=');
  if (equals == std::wstring_view::npos)
    Fail("not picker, posted or LABEL=COMMAND:", std::wstring(arg));
  side.label = Narrow(arg.substr(0, equals));
  side.kind = Side::Kind::kClient;
  side.clientCommand = arg.substr(equals + 1);
  return side;
}

int Click(int reps, const std::wstring& pickerExe, const std::wstring& logPath,
          std::vector<Side> sides) {
  LogFollower log(logPath);
  Child picker(L"\"" + pickerExe + L"\"");
  const HWND window = picker.WaitForWindow();
  const HWND list = ::FindWindowExW(window, nullptr, L"ListBox", nullptr);
  if (list == nullptr) Fail("the picker shows no list");
  if (::SendMessageW(list, LB_GETCOUNT, 0, 0) < 2) Fail("the picker needs two rows");

  const std::wstring name = L"Local\\WendrakeBench." + std::to_wstring(::GetCurrentProcessId());
  for (size_t i = 0; i < sides.size(); ++i) {
    Side& side = sides[i];
    if (side.kind != Side::Kind::kClient) continue;
    const std::wstring events = name + L"." + std::to_wstring(i);
    const HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, (events + L".ready").c_str());
    side.go = ::CreateEventW(nullptr, FALSE, FALSE, (events + L".go").c_str());
    side.quit = ::CreateEventW(nullptr, TRUE, FALSE, (events + L".quit").c_str());
    side.timesPath = logPath + L"." + std::wstring(side.label.begin(), side.label.end());
    side.client = std::make_unique<Child>(side.clientCommand + L" --resident " + events +
                                          L" --times \"" + side.timesPath + L"\"");
    const HANDLE started[] = {ready, side.client->Handle()};
    if (::WaitForMultipleObjects(2, started, FALSE, 20000) != WAIT_OBJECT_0) {
      Fail("a bare client did not become ready:", side.clientCommand);
    }
  }
  ::Sleep(500);  // everything settled after its start
  log.Skip();

  int pickerActions = 0;
  auto act = [&](Side& side, bool first) {
    double start = 0;
    if (side.kind == Side::Kind::kClient) {
      ::Sleep(50);
      log.Skip();
      start = Now();
      ::SetEvent(side.go);
      side.Record(WaitForHandOff(log, start, *side.client, side.label.c_str()), start, first);
      return;
    }
    // Every hand-off of the picker changes the selection, which a click on
    // the row already selected would not.
    const int row = pickerActions++ % 2;
    if (side.kind == Side::Kind::kClick) {
      wendrake::e2e::MoveMouse(RowCentre(list, row));
      ::Sleep(50);
      log.Skip();
      // A click with no time held: the press and the release in one call.
      INPUT press[2] = {};
      press[0].type = press[1].type = INPUT_MOUSE;
      press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
      press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
      start = Now();
      ::SendInput(2, press, sizeof(INPUT));
    } else {
      ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
      ::Sleep(50);
      log.Skip();
      start = Now();
      ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(list), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }
    const Timing t = WaitForHandOff(log, start, picker, side.label.c_str());
    if (first) std::printf("  the picker handed over %s for row %d\n", t.line158.c_str(), row);
    side.Record(t, start, first);
  };

  for (int rep = 0; rep <= reps; ++rep) {
    for (size_t i = 0; i < sides.size(); ++i) {
      act(sides[(static_cast<size_t>(rep) + i) % sides.size()], rep == 0);
      ::Sleep(100);
    }
  }
  for (const Side& side : sides) {
    if (side.kind != Side::Kind::kClient) continue;
    ::SetEvent(side.quit);
    ::WaitForSingleObject(side.client->Handle(), 10000);
  }
  picker.Close(window);
  const Side* reference = Reference(sides);
  for (const Side& side : sides) {
    side.Report();
    if (reference == nullptr) continue;
    std::printf("RESULT click_159_paired_ratio %s %.3f\n", side.label.c_str(),
                PairedRatio(side.to159, reference->to159));
    std::printf("RESULT click_released_paired_ratio %s %.3f\n", side.label.c_str(),
                PairedRatio(side.toReleased, reference->toReleased));
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  const int reps = argc > 2 ? _wtoi(argv[2]) : 0;
  if (command == L"launch" && argc >= 5 && reps > 0) {
    std::vector<Variant> variants;
    for (int i = 4; i < argc; ++i) {
      const std::wstring_view arg = argv[i];
      const size_t equals = arg.find(L'=');
      if (equals == std::wstring_view::npos) Fail("not LABEL=COMMAND:", std::wstring(arg));
      variants.push_back(
          Variant{Narrow(arg.substr(0, equals)), std::wstring(arg.substr(equals + 1)), {}, {}});
    }
    return Launch(reps, static_cast<DWORD>(_wtoi(argv[3])), std::move(variants));
  }
  if (command == L"click" && argc >= 6 && reps > 0) {
    std::vector<Side> sides;
    for (int i = 5; i < argc; ++i) sides.push_back(ParseSide(argv[i]));
    return Click(reps, argv[3], argv[4], std::move(sides));
  }
  std::fprintf(stderr,
               "usage: bench_timer launch REPS SETTLE_MS LABEL=COMMAND...\n"
               "       bench_timer click REPS PICKER_EXE HOST_LOG SIDE...\n");
  return 2;
}
