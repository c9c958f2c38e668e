#include "window/load_trap.h"

#include "platform/failure.h"

namespace wendrake {

TrapAction TrapActionFor(int32_t code) {
  switch (code) {
    case code::kFileNotFound: return TrapAction::kFileNotFoundMessage;
    case code::kTypeMismatch: return TrapAction::kPlaceAtFallback;
    default: return TrapAction::kLoadErrorMessage;
  }
}

std::wstring LoadErrorText(int32_t code) {
  return L"Load_Error! Error number:" + std::to_wstring(code);
}

}  // namespace wendrake
