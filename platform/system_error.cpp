#include "platform/system_error.h"

#include "platform/failure.h"

namespace wendrake {

void ThrowLastError() {
  ThrowSystemError(::GetLastError());
}

void ThrowSystemError(DWORD error) {
  throw Failure(CodeFromSystemError(error));
}

}  // namespace wendrake
