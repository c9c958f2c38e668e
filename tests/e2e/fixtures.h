#pragma once
// The picker started from a known desktop, and with a demo host, what the
// host received from it.
#include <gtest/gtest.h>

#include "tests/support/demo_host.h"
#include "tests/support/picker_harness.h"

namespace wendrake::e2e {

// Every test starts from a known desktop: 96 dpi, no stored position, a
// small catalogue (duplicate names, a record without its second file), no
// picker running; and leaves no picker behind.
class PickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseAllPickers();
    SetLogPixels(96);
    SetStoredPosition(std::nullopt, std::nullopt);
    WriteCatalogue(
        "* Name        File1               File2\r\n"
        "Alpha          a1.zpk              a2.zst\r\n"
        "Same           s1.zpk              s one.zst\r\n"
        "Same           t1.zpk              t2.zst\r\n"
        "NoStyle        n1.zpk\r\n");
  }
  void TearDown() override {
    CloseAllPickers();
    SetLogPixels(96);
  }

  static void CloseAllPickers() {
    for (HWND picker : TopLevelWindows(0, kPickerClass)) ::PostMessageW(picker, WM_CLOSE, 0, 0);
    WaitFor([] { return TopLevelWindows(0, kPickerClass).empty(); }, 5000);
  }
  static void SetStoredPosition(const std::optional<std::wstring>& left,
                                const std::optional<std::wstring>& top) {
    SetRegistryText(HKEY_CURRENT_USER, kPositionKey, L"Left", left);
    SetRegistryText(HKEY_CURRENT_USER, kPositionKey, L"Top", top);
  }
  static void ExpectStoredPosition(const wchar_t* left, const wchar_t* top) {
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kPositionKey, L"Left"), left);
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, kPositionKey, L"Top"), top);
  }

  using Corner = std::pair<LONG, LONG>;
  static Corner TopLeft(HWND window) {
    const RECT r = WindowRect(window);
    return {r.left, r.top};
  }

  // Starts a picker (ending the one started before) and returns its window.
  HWND StartPickerWindow() {
    picker_.emplace(StartPicker());
    window_ = picker_->WaitForWindow(kPickerClass);
    list_ = ListBoxOf(window_);
    return window_;
  }
  void ClickRow(int row) { Click(RowCentre(list_, row)); }

  // Expects the picker's failure message, "Fehler " followed by `text` (the
  // code and its colon, perhaps the description), closes it with OK and
  // checks the picker is still there.
  void ExpectFailureMessage(const std::wstring& text) {
    const HWND box = picker_->WaitForWindow(L"#32770");
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(WindowText(box), L"VUX-Wendrake");
    const std::wstring message = MessageText(box);
    EXPECT_TRUE(message.starts_with(
        L"Der Plotter konnte nicht an MORKA \u00FCbergeben werden.\n\nFehler " + text))
        << message;
    ClickButton(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return picker_->Windows(L"#32770").empty(); }, 5000));
    EXPECT_FALSE(picker_->WaitForExit(300)) << "the picker ended";
    EXPECT_TRUE(::IsWindowVisible(window_));
  }

  std::optional<Process> picker_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
};

using Lines = std::vector<std::string>;

// The log lines of one complete hand-off of the two files.
inline Lines HandOff(const std::string& file1, const std::string& file2) {
  return Lines{"created live=1", "158 " + HostDataPath(file1), "159 " + HostDataPath(file2),
               "released live=0"};
}

// The log without the host's activation notes and the calls it turned away.
inline Lines Calls(const DemoHost& host) {
  Lines calls = host.Log();
  std::erase_if(calls,
                [](auto& l) { return l == "ready" || l == "activated" || l == "turned away"; });
  return calls;
}

using HandOffTest = PickerTest;

}  // namespace wendrake::e2e
