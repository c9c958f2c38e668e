#pragma once
// How a hand-off waits for a host that turns its calls away, as a CAD
// application does while a command runs or a dialog is open: such a call never
// ran, so it is made again after a short pause, for up to 10 s a step, and
// then as long as the user chooses to wait.
#include <cstdint>
#include <functional>
#include <utility>

#include "platform/failure.h"

namespace wendrake {

class BusyRetry {
 public:
  static constexpr uint32_t kPatienceMs = 10000;
  static constexpr uint32_t kPauseMs = 250;

  struct Hooks {
    std::function<uint64_t()> now;        // milliseconds
    std::function<void(uint32_t)> pause;  // waits that long, the window kept painted
    std::function<bool()> askToWait;      // true: wait another 10 s
  };
  explicit BusyRetry(Hooks hooks) : hooks_(std::move(hooks)) {}

  // A step of the hand-off begins, with its own 10 s.
  void NewStep() { deadline_ = hooks_.now() + kPatienceMs; }
  // The step's call was turned away. Returns when it should be made again;
  // fails with 18 when the user gives up.
  void OnTurnedAway() {
    if (hooks_.now() < deadline_) {
      hooks_.pause(kPauseMs);
      return;
    }
    if (!hooks_.askToWait()) throw Failure(code::kUserInterrupt);
    NewStep();
  }
  // How long COM may wait before it makes a turned-away call again by
  // itself; 0 when the step's time is up and the call should fail.
  uint32_t RetryDelay() const { return hooks_.now() < deadline_ ? kPauseMs : 0; }

 private:
  Hooks hooks_;
  uint64_t deadline_ = 0;
};

}  // namespace wendrake
