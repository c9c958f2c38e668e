#pragma once
// The picker's start-up decisions that need no window: design values, the
// load trap's reaction to a failure code and the reading of a stored
// position.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wendrake {

// Design values in twips (control positions relative to the inner area).
namespace design {
inline constexpr float kWindowWidth = 1275;
inline constexpr float kWindowHeight = 1140;
inline constexpr float kListLeft = 80, kListTop = 190, kListWidth = 1095, kListHeight = 450;
inline constexpr float kCloseLeft = 1000, kCloseTop = 0, kCloseWidth = 180, kCloseHeight = 132;
inline constexpr float kMoveLeft = 0, kMoveTop = 0, kMoveWidth = 1275, kMoveHeight = 165;
inline constexpr int16_t kRowHeight = 240;        // per catalogue entry
inline constexpr float kWindowExtraHeight = 300;  // strip and margins below the list
inline constexpr float kFallbackLeft = 2500, kFallbackTop = 2500;
}  // namespace design

inline constexpr wchar_t kPositionApplication[] = L"L-VORDANS\\ZEPLO-Plotter";
inline constexpr wchar_t kPositionSection[] = L"Position";

enum class TrapAction {
  kFileNotFoundMessage,  // 53: the list file is missing
  kPlaceAtFallback,      // 13: show the window at a fixed spot
  kLoadErrorMessage,     // anything else
};
TrapAction TrapActionFor(int32_t code);

// "Load_Error! Error number:76"
std::wstring LoadErrorText(int32_t code);

struct TwipsPoint {
  float Left;
  float Top;
};

// The position stored as "Left" and "Top" texts; nothing (the screen-centre
// rule) when there is no "Left", or when a value is too large for a window
// position, as a damaged or hand-edited value may be.
std::optional<TwipsPoint> StoredPosition(std::wstring_view left, std::wstring_view top);

}  // namespace wendrake
