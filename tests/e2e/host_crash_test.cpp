// A host that dies mid-call. Wine keeps answering for a killed server's
// class object until its server restarts, so this runs on its own and the
// Wine session is restarted after it.
#include "tests/e2e/fixtures.h"

namespace wendrake::e2e {
namespace {

TEST_F(HandOffTest, HostKilledDuringAHandOffShowsAMessageAndThePickerKeepsWorking) {
  DemoHost stalling(L"--stall 158");
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ASSERT_TRUE(stalling.WaitForLines("158 "));
  stalling.Kill();
  ExpectFailureMessage(L"462:");
  // Another click is handled as calmly, and the window still closes cleanly.
  ClickRow(1);
  ExpectFailureMessage(L"");
  EXPECT_EQ(picker_->Close(), 0u);
}

}  // namespace
}  // namespace wendrake::e2e
