// Reports what the running picker shows, and clicks a row as a user would:
// scripts/run uses it where nobody looks at the screen.
//   picker_probe show          rows, position and size
//   picker_probe click ROW     clicks the row (0-based)
#include <cstdio>
#include <cwchar>
#include <string>

#include "tests/support/picker_harness.h"

using namespace wendrake::e2e;

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"show";
  HWND picker = nullptr;
  WaitFor([&] {
    const auto windows = PickerWindows();
    picker = windows.empty() ? nullptr : windows.front();
    return picker != nullptr;
  });
  if (picker == nullptr) {
    std::fwprintf(stderr, L"no picker window\n");
    return 1;
  }
  const HWND list = ListBoxOf(picker);
  if (command == L"click" && argc > 2) {
    const int row = std::stoi(argv[2]);
    RECT item{};
    ::SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
    Click(ScreenPoint(list, CentreOf(item)));
    return 0;
  }
  const RECT r = WindowRect(picker);
  std::wprintf(
      L"window \"%ls\" at %ld,%ld, %ld x %ld pixels, %ls\n", WindowText(picker).c_str(), r.left,
      r.top, r.right - r.left, r.bottom - r.top,
      (::GetWindowLongW(picker, GWL_EXSTYLE) & WS_EX_TOPMOST) ? L"topmost" : L"not topmost");
  const auto rows = ListRows(list);
  const LRESULT selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
  for (size_t i = 0; i < rows.size(); ++i) {
    std::wprintf(L"  %ls row %zu: %ls\n", static_cast<LRESULT>(i) == selected ? L">" : L" ", i,
                 rows[i].c_str());
  }
  return 0;
}
