// What the user sees of the picker and its installer, for scripts/run and
// the release tests where nobody looks at the screen (UTF-8, one fact a line,
// on stdout):
//   probe show           the running picker: title, place, size, rows
//   probe click ROW      clicks the picker's row (0-based) as a user would
//   probe dialog TITLE   the texts of the window whose title starts so, then
//                        ends its process
//   probe press TITLE ID...  presses buttons in turn in the front window so titled
//   probe hold [FILE]    keeps Wine's desktop in use (and the file open, sharing
//                        no deletion) until it is killed
#include <string>
#include <vector>

#include "tests/support/picker_harness.h"
#include "tests/support/utf8_line.h"

namespace {

using namespace wendrake::e2e;

void Print(const std::wstring& line) {
  WriteUtf8Line(::GetStdHandle(STD_OUTPUT_HANDLE), line);
}

int Fail(const std::wstring& why) {
  Print(L"error: " + why);
  return 1;
}

int Show(HWND picker) {
  const RECT r = WindowRect(picker);
  const bool topmost = ::GetWindowLongW(picker, GWL_EXSTYLE) & WS_EX_TOPMOST;
  Print(L"window \"" + WindowText(picker) + L"\" at " + std::to_wstring(r.left) + L"," +
        std::to_wstring(r.top) + L", " + std::to_wstring(r.right - r.left) + L" x " +
        std::to_wstring(r.bottom - r.top) + L" pixels, " + (topmost ? L"topmost" : L"not topmost"));
  const HWND list = ListBoxOf(picker);
  const LRESULT selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
  const auto rows = ListRows(list);
  for (size_t i = 0; i < rows.size(); ++i) {
    Print((static_cast<LRESULT>(i) == selected ? L"  > row " : L"    row ") + std::to_wstring(i) +
          L": " + rows[i]);
  }
  return 0;
}

// The front visible top-level window whose title starts with the text (NSIS
// puts a blank after some captions; its message boxes have the same title).
HWND FrontWindow(const std::wstring& title) {
  for (HWND w : TopLevelWindows(0, nullptr, true))
    if (WindowText(w).starts_with(title)) return w;
  return nullptr;
}

int Dialog(const std::wstring& title) {
  HWND window = nullptr;
  WaitFor([&] { return (window = FrontWindow(title)) != nullptr; }, 30000);
  if (window == nullptr) return Fail(L"no window titled " + title);
  ::Sleep(1000);  // the texts arrive once the first page is filled in
  Print(L"title=" + WindowText(window) + L"\n" + DialogTexts(window));
  DWORD id = 0;
  ::GetWindowThreadProcessId(window, &id);
  // Not closed: the installer would ask whether to cancel.
  return ::TerminateProcess(::OpenProcess(PROCESS_TERMINATE, FALSE, id), 1) ? 0
                                                                            : Fail(L"not ended");
}

// Each button once it has stayed enabled in front for half a second: a page
// fills in, and a box comes to the front, after a moment.
int Press(const std::wstring& title, wchar_t** ids, wchar_t** end) {
  for (; ids != end; ++ids) {
    const int id = _wtoi(*ids);
    const auto ready = [&] { return ::IsWindowEnabled(::GetDlgItem(FrontWindow(title), id)); };
    if (!WaitFor([&] { return ready() && (::Sleep(500), ready()); }, 30000))
      return Fail(L"no button " + std::to_wstring(id));
    ::SendMessageTimeoutW(FrontWindow(title), WM_COMMAND, id, 0, SMTO_NORMAL, 5000, nullptr);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"dialog" && argc == 3) return Dialog(argv[2]);
  if (command == L"press" && argc > 3) return Press(argv[2], argv + 3, argv + argc);
  if (command == L"hold") {  // a window, even a message-only one, uses the desktop
    ::CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (argc == 3 && ::CreateFileW(argv[2], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   0, nullptr) != INVALID_HANDLE_VALUE)
      Print(L"held");
    ::Sleep(INFINITE);
  }
  if (command == L"show" || command == L"click") {
    const HWND picker = WaitForTopLevel(0, kPickerClass);
    if (picker == nullptr) return Fail(L"no picker window");
    if (command == L"show") return Show(picker);
    if (argc == 3) {
      Click(RowCentre(ListBoxOf(picker), std::stoi(argv[2])));
      return 0;
    }
  }
  return Fail(L"usage: probe show | click ROW | dialog TITLE | press TITLE ID... | hold [FILE]");
}
