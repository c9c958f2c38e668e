#include "window/stored_position.h"

#include <cmath>

#include "platform/conversions.h"
#include "platform/failure.h"

namespace wendrake {

std::optional<TwipsPoint> StoredPosition(std::wstring_view left, std::wstring_view top) {
  if (left.empty()) return std::nullopt;
  // Far beyond any desktop (about 400 m at 96 dpi), and small enough that
  // whole pixels of it fit an int.
  constexpr double kLimit = 1.0e7;
  try {
    const double x = TextToNumber(left);
    const double y = TextToNumber(top);
    if (std::fabs(x) > kLimit || std::fabs(y) > kLimit) return std::nullopt;
    return TwipsPoint{ToSingle(x), ToSingle(y)};
  } catch (const Failure&) {
    return std::nullopt;
  }
}

}  // namespace wendrake
