#pragma once
#include <cstdint>

#include "platform/failure.h"

namespace wendrake {

// The code an action fails with, or 0 when it does not fail.
template <class Action>
int32_t FailureCode(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.Code();
  }
  return 0;
}

}  // namespace wendrake
