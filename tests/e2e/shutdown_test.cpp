#include "tests/e2e/picker_fixture.h"

namespace wendrake::e2e {
namespace {

// Client points: on the strip, and on the close spot (x 67..78, y 0..8).
constexpr POINT kOnStrip{20, 5};
constexpr POINT kOnCloseSpot{72, 4};

class Shutdown : public PickerTest {
 protected:
  static POINT TopLeft(HWND window) {
    const RECT r = WindowRect(window);
    return POINT{r.left, r.top};
  }
  // Starts the picker at a stored position.
  static Process Start(const wchar_t* left, const wchar_t* top) {
    SetStoredValue(L"Left", left);
    SetStoredValue(L"Top", top);
    return StartPicker();
  }
  void ExpectStored(const wchar_t* left, const wchar_t* top) {
    EXPECT_EQ(StoredValue(L"Left"), left);
    EXPECT_EQ(StoredValue(L"Top"), top);
  }
};

// Only a left drag moves the window: right, middle and unmoved presses leave it.
TEST_F(Shutdown, LeftDragOnTheStripMovesTheWindowByTheDragAndOtherPressesDoNot) {
  Process picker = Start(L"3000", L"1500");
  const HWND window = picker.WaitForWindow(kPickerClass);
  ASSERT_NE(window, nullptr);
  const POINT from = ScreenPoint(window, kOnStrip);
  Drag(from, POINT{from.x + 100, from.y + 50}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  Drag(from, POINT{from.x + 100, from.y + 50}, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
  Click(from);
  ::Sleep(300);
  EXPECT_EQ(TopLeft(window).x, 200);
  EXPECT_EQ(TopLeft(window).y, 100);
  Drag(from, POINT{from.x + 120, from.y + 70});
  EXPECT_TRUE(WaitFor([&] { return TopLeft(window).x == 320 && TopLeft(window).y == 170; }, 3000))
      << TopLeft(window).x << "," << TopLeft(window).y;
  EXPECT_FALSE(picker.WaitForExit(0));
}

TEST_F(Shutdown, CloseSpotEndsTheProgramStoringTheDraggedPositionForTheNextStart) {
  Process picker = StartPicker();
  const HWND window = picker.WaitForWindow(kPickerClass);
  ASSERT_NE(window, nullptr);
  const POINT from = ScreenPoint(window, kOnStrip);
  const POINT start = TopLeft(window);
  Drag(from, POINT{from.x - 300, from.y - 200});
  ASSERT_TRUE(WaitFor([&] { return TopLeft(window).x == start.x - 300; }, 3000));
  Click(ScreenPoint(window, kOnCloseSpot));
  ASSERT_EQ(picker.WaitForExit(), 0u);
  const std::wstring left = std::to_wstring((start.x - 300) * 15);
  const std::wstring top = std::to_wstring((start.y - 200) * 15);
  ExpectStored(left.c_str(), top.c_str());

  Process again = StartPicker();
  const HWND restored = again.WaitForWindow(kPickerClass);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(TopLeft(restored).x, start.x - 300);
  EXPECT_EQ(TopLeft(restored).y, start.y - 200);
}

// Every close path stores the position: a negative one too (a monitor left
// of the main one), and a fractional one (7.5 twips a pixel at 192 dpi).
TEST_F(Shutdown, AltF4AndACloseRequestFromOutsideStoreThePositionToo) {
  struct Case {
    bool altF4;
    DWORD dpi;
    const wchar_t *left, *top;
    POINT at;
  };
  for (const Case& c :
       {Case{true, 96, L"4500", L"150", {300, 10}}, Case{false, 96, L"-600", L"150", {-40, 10}},
        Case{false, 192, L"757.5", L"382.5", {101, 51}}}) {
    SetLogPixels(c.dpi);
    Process picker = Start(c.left, c.top);
    const HWND window = picker.WaitForWindow(kPickerClass);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TopLeft(window).x, c.at.x);
    EXPECT_EQ(TopLeft(window).y, c.at.y);
    SetStoredValue(L"Left", std::nullopt);
    if (c.altF4) {
      ::SetForegroundWindow(window);
      PressKey(VK_F4, VK_MENU);
    } else {
      ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    ASSERT_EQ(picker.WaitForExit(), 0u) << (c.altF4 ? "Alt+F4" : "WM_CLOSE");
    ExpectStored(c.left, c.top);
  }
}

TEST_F(Shutdown, HoveringTheCloseSpotShowsBeendenAndTheStripShowsTheHand) {
  Process picker = StartPicker();
  const HWND window = picker.WaitForWindow(kPickerClass);
  ASSERT_NE(window, nullptr);
  auto cursor = [] {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    ::GetCursorInfo(&info);
    return info.hCursor;
  };
  // The picker's own arrow, as its list shows it.
  MoveMouse(ScreenPoint(window, POINT{40, 20}));
  HCURSOR arrow = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (arrow = cursor()) != nullptr; }, 2000));
  MoveMouse(ScreenPoint(window, kOnStrip));
  EXPECT_TRUE(WaitFor([&] { return cursor() != arrow && cursor() != nullptr; }, 2000));
  MoveMouse(ScreenPoint(window, POINT{kOnCloseSpot.x, kOnCloseSpot.y + 1}));
  MoveMouse(ScreenPoint(window, kOnCloseSpot));
  EXPECT_TRUE(WaitFor([&] { return cursor() == arrow; }, 2000));
  const HWND tip = picker.WaitForWindow(L"tooltips_class32", 5000);
  ASSERT_NE(tip, nullptr);
  // A tooltip answers WM_GETTEXT with the text it shows; GetWindowText would
  // not ask another process's window.
  wchar_t text[64] = {};
  ::SendMessageW(tip, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Beenden");
}

}  // namespace
}  // namespace wendrake::e2e
