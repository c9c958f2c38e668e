#pragma once
// How start-up reacts to a failure: its one error trap.
#include <cstdint>
#include <string>

namespace wendrake {

enum class TrapAction {
  kFileNotFoundMessage,  // 53: the list file is missing
  kPlaceAtFallback,      // 13: show the window at a fixed spot
  kLoadErrorMessage,     // anything else
};
TrapAction TrapActionFor(int32_t code);

// "Load_Error! Error number:76"
std::wstring LoadErrorText(int32_t code);

}  // namespace wendrake
