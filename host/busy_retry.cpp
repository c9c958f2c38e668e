#include "host/busy_retry.h"

#include "platform/failure.h"

namespace wendrake {

void BusyRetry::OnTurnedAway() {
  if (hooks_.now() < deadline_) {
    hooks_.pause(kPauseMs);
    return;
  }
  if (!hooks_.askToWait()) throw Failure(code::kUserInterrupt);
  NewStep();
}

}  // namespace wendrake
