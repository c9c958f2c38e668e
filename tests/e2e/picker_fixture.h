#pragma once
#include <gtest/gtest.h>

#include "tests/support/picker_harness.h"

namespace wendrake::e2e {

// Every test starts from a known desktop: 96 dpi, no stored position, a
// small catalogue, no picker running; and leaves no picker behind.
class PickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseAllPickers();
    SetLogPixels(96);
    SetStoredValue(L"Left", std::nullopt);
    SetStoredValue(L"Top", std::nullopt);
    WriteCatalogue(
        "* test\r\nAlpha          a1.zpk              a2.zst\r\n"
        "Beta           b1.zpk              b2.zst\r\n");
  }
  void TearDown() override {
    CloseAllPickers();
    SetLogPixels(96);
  }

  static void CloseAllPickers() {
    for (HWND picker : PickerWindows()) ::PostMessageW(picker, WM_CLOSE, 0, 0);
    WaitFor([] { return PickerWindows().empty(); }, 5000);
  }
};

}  // namespace wendrake::e2e
