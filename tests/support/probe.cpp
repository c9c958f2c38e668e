// What the user sees of the picker and its installer, for scripts/run and
// the release tests where nobody looks at the screen (UTF-8, one fact a line,
// on stdout):
//   probe show           the running picker: title, place, size, rows
//   probe click ROW      clicks the picker's row (0-based) as a user would
//   probe press TITLE TEXT...  clicks each control of such a window holding
//                        TEXT in turn, once it shows (a label: waits for it)
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

// The first visible, enabled control under `parent`, of the pages in it too,
// whose text (" (x)" added when checked) holds `text`.
HWND Find(HWND parent, const std::wstring& text) {
  for (HWND c = ::FindWindowExW(parent, nullptr, nullptr, nullptr); c != nullptr;
       c = ::FindWindowExW(parent, c, nullptr, nullptr)) {
    const bool checked = ::SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (::IsWindowVisible(c) && ::IsWindowEnabled(c) &&
        (WindowText(c) + (checked ? L" (x)" : L"")).find(text) != std::wstring::npos)
      return c;
    if (const HWND inner = Find(c, text)) return inner;
  }
  return nullptr;
}

// Such a control of a visible top-level window whose title starts with
// `title` (NSIS puts a blank after some captions), waited for.
HWND Control(const std::wstring& title, const std::wstring& text) {
  HWND control = nullptr;
  WaitFor(
      [&] {
        for (HWND w : TopLevelWindows(0, nullptr, true))
          if (control == nullptr && WindowText(w).starts_with(title)) control = Find(w, text);
        return control != nullptr;
      },
      30000);
  return control;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  for (int i = 3; command == L"press" && i < argc; ++i) {
    const HWND control = Control(argv[2], argv[i]);
    if (control == nullptr) return Fail(L"nothing shows " + std::wstring(argv[i]));
    ::PostMessageW(control, BM_CLICK, 0, 0);  // a page may run a message loop of its own
    ::Sleep(500);
  }
  if (command == L"press" && argc > 3) return 0;
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
  return Fail(L"usage: probe show | click ROW | press TITLE TEXT... | hold [FILE]");
}
