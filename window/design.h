#pragma once
// The picker window's design values and where it keeps its position.
#include <cstdint>

namespace wendrake {

// In twips; control positions are relative to the inner area.
namespace design {
inline constexpr float kWindowWidth = 1275;
inline constexpr float kWindowHeight = 1140;
inline constexpr float kListLeft = 80, kListTop = 190, kListWidth = 1095, kListHeight = 450;
inline constexpr float kCloseLeft = 1000, kCloseTop = 0, kCloseWidth = 180, kCloseHeight = 132;
inline constexpr float kMoveLeft = 0, kMoveTop = 0, kMoveWidth = 1275, kMoveHeight = 165;
inline constexpr int16_t kRowHeight = 240;        // per catalogue entry
inline constexpr float kWindowExtraHeight = 300;  // strip and margins below the list
}  // namespace design

inline constexpr wchar_t kPositionApplication[] = L"L-VORDANS\\ZEPLO-Plotter";
inline constexpr wchar_t kPositionSection[] = L"Position";

}  // namespace wendrake
