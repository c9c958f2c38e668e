#include "tests/e2e/fixtures.h"

namespace wendrake::e2e {
namespace {

// Client points: on the strip, and on the close spot (x 67..78, y 0..8).
constexpr POINT kOnStrip{20, 5};
constexpr POINT kOnCloseSpot{72, 4};

class Shutdown : public PickerTest {};

// Only a left drag moves the window: right, middle and unmoved presses leave
// it. The close spot ends the program, storing the dragged position, where
// the next start puts the window.
TEST_F(Shutdown, LeftDragOnTheStripMovesTheWindowAndTheCloseSpotStoresWhereTo) {
  SetStoredPosition(L"3000", L"1500");
  const HWND window = StartPickerWindow();
  ASSERT_NE(window, nullptr);
  const POINT from = ScreenPoint(window, kOnStrip);
  Drag(from, POINT{from.x + 100, from.y + 50}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  Drag(from, POINT{from.x + 100, from.y + 50}, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
  Click(from);
  ::Sleep(300);
  EXPECT_EQ(TopLeft(window), Corner(200, 100));
  Drag(from, POINT{from.x + 120, from.y + 70});
  WaitFor([&] { return TopLeft(window) == Corner(320, 170); }, 3000);
  EXPECT_EQ(TopLeft(window), Corner(320, 170));
  Click(ScreenPoint(window, kOnCloseSpot));
  ASSERT_EQ(picker_->WaitForExit(), 0u);
  ExpectStoredPosition(L"4800", L"2550");
  ASSERT_NE(StartPickerWindow(), nullptr);
  EXPECT_EQ(TopLeft(window_), Corner(320, 170));
}

// Alt+F4 stores the position too: a negative one (a monitor left of the
// main one) with a fraction (7.5 twips a pixel at 192 dpi) reads back exactly.
// So does the end of the session for the picker alone (ENDSESSION_CLOSEAPP),
// with which Windows Installer's Restart Manager closes a program that holds
// a file it replaces; an end called off leaves it running.
// (The installer's close request from outside is the installer test's.)
TEST_F(Shutdown, AltF4AndTheSessionsEndStoreANegativeFractionalPosition) {
  SetLogPixels(192);
  for (const bool sessionEnds : {false, true}) {
    SetStoredPosition(L"-382.5", L"757.5");
    const HWND window = StartPickerWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(TopLeft(window), Corner(-51, 101));
    SetStoredPosition(std::nullopt, std::nullopt);
    if (sessionEnds) {
      EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP), TRUE);
      ::SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP);
      EXPECT_TRUE(::IsWindow(window));
      ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP);
    } else {
      ::SetForegroundWindow(window);
      PressKey(VK_F4, VK_MENU);
    }
    ASSERT_EQ(picker_->WaitForExit(), 0u) << sessionEnds;
    ExpectStoredPosition(L"-382.5", L"757.5");
  }
}

TEST_F(Shutdown, HoveringTheCloseSpotShowsBeendenAndTheStripShowsTheHand) {
  const HWND window = StartPickerWindow();
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
  const HWND tip = picker_->WaitForWindow(L"tooltips_class32", 5000);
  ASSERT_NE(tip, nullptr);
  // A tooltip answers WM_GETTEXT with the text it shows; GetWindowText would
  // not ask another process's window.
  wchar_t text[64] = {};
  ::SendMessageW(tip, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Beenden");
}

}  // namespace
}  // namespace wendrake::e2e
