#include "tests/e2e/picker_fixture.h"

namespace wendrake::e2e {
namespace {

class Stress : public PickerTest {};

TEST_F(Stress, EightCopiesStartedAtOnceLeaveExactlyOneWindow) {
  std::vector<Process> copies;
  for (int i = 0; i < 8; ++i) copies.push_back(StartPicker());
  ASSERT_TRUE(WaitFor([] { return PickerWindows().size() == 1; }, 20000));
  int ended = 0;
  for (Process& copy : copies) {
    if (copy.WaitForExit(5000) == 0u) ++ended;
  }
  EXPECT_EQ(ended, 7);
  ::Sleep(500);
  EXPECT_EQ(PickerWindows().size(), 1u);
}

TEST_F(Stress, TwoHundredStartCloseCyclesLeaveTheStoredPositionUnchanged) {
  SetStoredValue(L"Left", L"1500");
  SetStoredValue(L"Top", L"750");
  for (int cycle = 0; cycle < 200; ++cycle) {
    Process picker = StartPicker();
    const HWND window = picker.WaitForWindow(kPickerClass);
    if (window == nullptr) {
      const std::optional<DWORD> exit = picker.WaitForExit(0);
      std::wstring shown;  // a message box instead of the window, for example
      for (HWND other : picker.Windows())
        shown += L" [" + ClassName(other) + L"] " + WindowText(other);
      // A stall or a hang: the difference says where to look.
      const bool late = !exit && picker.WaitForWindow(kPickerClass, 20000) != nullptr;
      FAIL() << "no window in cycle " << cycle
             << (exit ? ", the picker ended with " + std::to_string(*exit) : ", the picker runs")
             << testing::PrintToString(shown)
             << (late ? ", its window showed 10 to 30 s late" : "");
    }
    const RECT r = WindowRect(window);
    ASSERT_EQ(r.left, 100) << "cycle " << cycle;
    ASSERT_EQ(r.top, 50) << "cycle " << cycle;
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(picker.WaitForExit(), 0u) << "cycle " << cycle;
  }
  EXPECT_EQ(StoredValue(L"Left"), L"1500");
  EXPECT_EQ(StoredValue(L"Top"), L"750");
}

}  // namespace
}  // namespace wendrake::e2e
