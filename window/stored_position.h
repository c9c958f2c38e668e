#pragma once
// The window's position as the settings store keeps it: "Left" and "Top",
// texts of twips.
#include <optional>
#include <string_view>

namespace wendrake {

struct TwipsPoint {
  float Left;
  float Top;
};

// The stored position; nothing (the screen-centre rule) when there is no
// "Left", or when a value is too large for a window position, as a damaged
// or hand-edited value may be.
std::optional<TwipsPoint> StoredPosition(std::wstring_view left, std::wstring_view top);

}  // namespace wendrake
