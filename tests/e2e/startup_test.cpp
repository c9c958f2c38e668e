#include "tests/e2e/fixtures.h"

namespace wendrake::e2e {
namespace {

class Startup : public PickerTest {};

// Rows of 240 twips and a border of 300 twips, at 15 twips a pixel at 96 dpi
// and 12 at 120 dpi; the width stays 85 pixels. The top-left corner is the
// stored one, in twips; by the screen-centre rule without one or when it lies
// off every monitor. A partly visible window is not pulled in.
TEST_F(Startup, FramelessTopmost85PixelsWideARowPerPlotterUpTo136AtTheStoredCornerOrCentred) {
  const Corner centre{::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2};
  struct Case {
    DWORD dpi;
    int count, row, border;
    std::optional<std::wstring> left, top;
    Corner topLeft;
  };
  for (const Case& c : {Case{96, 0, 16, 20, L"-2500", L"0", centre},
                        Case{96, 5, 16, 20, L"-600", L"-150", {-40, -10}},
                        Case{96, 136, 16, 20, std::nullopt, std::nullopt, centre},
                        Case{120, 3, 20, 25, std::nullopt, std::nullopt, centre}}) {
    SetLogPixels(c.dpi);
    SetStoredPosition(c.left, c.top);
    WriteCatalogue(NumberedCatalogue(c.count));
    const HWND window = StartPickerWindow();
    ASSERT_NE(window, nullptr) << c.count;
    const RECT outer = WindowRect(window);
    const RECT list = WindowRect(list_);
    EXPECT_EQ(WindowText(window), L"VUX-Wendrake");
    EXPECT_EQ(TopLeft(window), c.topLeft);
    EXPECT_EQ(ClientRect(window).right, 85);
    EXPECT_EQ(outer.right - outer.left, 85);  // no frame: outer and inner agree
    EXPECT_TRUE(c.dpi != 96 || list.left - outer.left == 5);
    EXPECT_EQ(list.right - list.left, 73);
    EXPECT_EQ(list.bottom - list.top, c.count * c.row);
    EXPECT_EQ(outer.bottom - outer.top, c.count * c.row + c.border);
    EXPECT_EQ(ListRows(list_).size(), static_cast<size_t>(c.count));
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(::GetWindowLongW(window, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_EQ(picker_->Close(), 0u);
  }
}

bool IsRed(COLORREF c) {
  return GetRValue(c) > 0xC0 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60;
}

TEST_F(Startup, BackgroundStretchesToTheFullHeightStripAndCloseMarkShowAndSurviveRepaints) {
  WriteCatalogue(NumberedCatalogue(5));
  const HWND window = StartPickerWindow();
  ASSERT_NE(window, nullptr);
  const LONG bottom = ClientRect(window).bottom - 1;
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  // Shown is not yet painted: wait for the close mark to appear.
  ASSERT_TRUE(WaitFor([&] { return IsRed(ScreenPixel(window, POINT{72, 4})); }, 3000));
  for (int pass = 0; pass < 2; ++pass) {
    // The background's columns are uniform: its colour at the last row
    // matches the one near the top only when it is stretched all the way.
    const COLORREF edgeTop = ScreenPixel(window, POINT{1, 20});
    EXPECT_EQ(ScreenPixel(window, POINT{1, bottom}), edgeTop) << "pass " << pass;
    EXPECT_NE(ScreenPixel(window, POINT{2, bottom}), face);
    const COLORREF strip = ScreenPixel(window, POINT{10, 5});
    EXPECT_LT(GetRValue(strip) + GetGValue(strip) + GetBValue(strip), 0x180) << "strip not dark";
    EXPECT_TRUE(IsRed(ScreenPixel(window, POINT{72, 4}))) << "close mark";
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(200);
  }
}

// The copies that find one running end at once, without a message (none
// ends on its own with one shown), and store no position.
TEST_F(Startup, EightCopiesStartedAtOnceLeaveExactlyOneWindowAndStoreNothing) {
  std::vector<Process> copies;
  for (int i = 0; i < 8; ++i) copies.push_back(StartPicker());
  ASSERT_TRUE(WaitFor([] { return TopLevelWindows(0, kPickerClass).size() == 1; }, 20000));
  int ended = 0;
  for (Process& copy : copies) ended += copy.WaitForExit(5000) == 0u ? 1 : 0;
  EXPECT_EQ(ended, 7);
  ::Sleep(500);
  EXPECT_EQ(TopLevelWindows(0, kPickerClass).size(), 1u);
  EXPECT_FALSE(RegistryText(HKEY_CURRENT_USER, kPositionKey, L"Left"))
      << "a copy that ended stored a position";
}

}  // namespace
}  // namespace wendrake::e2e
