#include "tests/e2e/handoff_fixture.h"

namespace wendrake::e2e {
namespace {

TEST_F(HandOffTest, ClickHandsBothFilesInOrderActivatesMorkaAndKeepsThePickerOnTop) {
  DemoHost host;
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), HandOff("a1.zpk", "a2.zst"));
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == host.MainWindow(); }, 5000));
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_TRUE(::GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(picker_->WaitForExit(0));
}

TEST_F(HandOffTest, DuplicateNamesAndEmptySecondFileHandTheClickedRowsOwnPaths) {
  DemoHost host;
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(2);
  ASSERT_TRUE(host.WaitForLines("released", 1));
  ClickRow(1);
  ASSERT_TRUE(host.WaitForLines("released", 2));
  ClickRow(3);
  ASSERT_TRUE(host.WaitForLines("released", 3));
  Lines expected = HandOff("t1.zpk", "t2.zst");
  for (const Lines& next : {HandOff("s1.zpk", "s one.zst"), HandOff("n1.zpk", "")}) {
    expected.insert(expected.end(), next.begin(), next.end());
  }
  // Every hand-off creates its own object and releases it before the next.
  EXPECT_EQ(Calls(host), expected);
}

TEST_F(HandOffTest, KeyboardSelectionHandsOffToo) {
  DemoHost host;
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released", 1));
  // Back to the picker by a click on its margin below the list.
  Click(ScreenPoint(window_, POINT{40, ClientRect(window_).bottom - 2}));
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == window_; }, 3000));
  PressKey(VK_DOWN);
  ASSERT_TRUE(host.WaitForLines("released", 2));
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(Calls(host).at(5), "158 " + HostDataPath("s1.zpk"));
}

TEST_F(HandOffTest, HostTitleThatBeginsWithMorkaIsActivatedAndAMinimisedHostRestored) {
  DemoHost host(L"--title \"MORKA - Zeichnung1\" --minimized");
  ASSERT_NE(StartPickerWindow(), nullptr);
  ASSERT_TRUE(::IsIconic(host.MainWindow()));
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == host.MainWindow(); }, 5000));
  EXPECT_FALSE(::IsIconic(host.MainWindow()));
}

TEST_F(HandOffTest, UnregisteredHostShowsAMessageAndTheNextClickSucceeds) {
  ASSERT_EQ(DemoHost::Run(L"--unregister"), 0u);
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ExpectFailureMessage(L"429");
  ASSERT_EQ(DemoHost::Run(L"--register"), 0u);
  DemoHost host;
  ClickRow(1);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), HandOff("s1.zpk", "s one.zst"));
}

TEST_F(HandOffTest, ErrorRaisedIn159ShowsTheHostsCodeAndDescriptionAndReleasesTheObject) {
  DemoHost host(L"--fail 159 1004 \"Plotstil fehlt\"");
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  const HWND box = picker_->WaitForWindow(L"#32770");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageText(box).find(L"Fehler 1004: Plotstil fehlt"), std::wstring::npos);
  ExpectFailureMessage(L"1004");
  EXPECT_TRUE(host.WaitForLines("released live=0"));
  EXPECT_TRUE(host.WaitForLines("158 " + HostDataPath("a1.zpk")));
}

TEST_F(HandOffTest, ErrorRaisedIn158ShowsItAndSkips159) {
  DemoHost host(L"--fail 158 1003 \"Plotter unbekannt\"");
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ExpectFailureMessage(L"1003");
  EXPECT_TRUE(host.WaitForLines("released live=0"));
  EXPECT_FALSE(host.WaitForLines("159 ", 1, 300));
}

TEST_F(HandOffTest, HostWithoutAMorkaWindowShowsCode5) {
  DemoHost host(L"--no-window");
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ExpectFailureMessage(L"5");
  EXPECT_TRUE(host.WaitForLines("159 "));
  EXPECT_TRUE(host.WaitForLines("released live=0"));
}

TEST_F(HandOffTest, HostLackingTheInterfaceShowsCode13) {
  DemoHost host(L"--no-interface");
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ExpectFailureMessage(L"13");
  EXPECT_FALSE(host.WaitForLines("158 ", 1, 300));
}

}  // namespace
}  // namespace wendrake::e2e
