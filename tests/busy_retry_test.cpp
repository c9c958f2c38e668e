#include "host/busy_retry.h"

#include <gtest/gtest.h>

#include "platform/failure.h"

namespace wendrake {
namespace {

// A hand-off against a host that never stops turning calls away, on a clock
// that only the pauses move.
class BusyRetryTest : public ::testing::Test {
 protected:
  uint64_t now_ = 0;
  int questions_ = 0;
  bool waitAgain_ = true;
  BusyRetry retry_{{[this] { return now_; },
                    [this](uint32_t ms) {
                      EXPECT_EQ(ms, 250u) << "tries a quarter second apart";
                      now_ += ms;
                    },
                    [this] {
                      ++questions_;
                      return waitAgain_;
                    }}};

  // Turned away until the user is asked; returns the milliseconds waited.
  uint64_t UntilAsked() {
    const uint64_t start = now_;
    for (const int asked = questions_; questions_ == asked;) retry_.OnTurnedAway();
    return now_ - start;
  }
};

TEST_F(BusyRetryTest, EachStepWaitsTenSecondsThenAsksAndWiederholenWaitsTenMore) {
  retry_.NewStep();
  EXPECT_GT(retry_.RetryDelay(), 0u);
  EXPECT_EQ(UntilAsked(), 10000u);
  EXPECT_GT(retry_.RetryDelay(), 0u) << "Wiederholen gives COM another spell too";
  EXPECT_EQ(UntilAsked(), 10000u);
  // The next step starts its own 10 s, however long the one before took.
  now_ += 2000;
  retry_.NewStep();
  EXPECT_EQ(UntilAsked(), 10000u);
}

TEST_F(BusyRetryTest, AbbrechenGivesUpWithEighteenAndCOMStopsRetrying) {
  retry_.NewStep();
  waitAgain_ = false;
  EXPECT_THROW(UntilAsked(), Failure);  // 18: the hand-off ends quietly
  EXPECT_EQ(retry_.RetryDelay(), 0u);
  EXPECT_EQ(questions_, 1);
}

}  // namespace
}  // namespace wendrake
