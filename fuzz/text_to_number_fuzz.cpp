// The stored window position is text: TextToNumber reads whatever the
// registry holds, SingleToText writes what the next start reads back.
//
// Input: the whole input is the text, byte for byte, except that a byte from
// 0xF0 up followed by two more makes one 16-bit character of them (digits and
// blanks of other scripts, which must not count as digits or blanks). The
// first four bytes are also a float, and a pixel position and screen dpi.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/conversions.h"
#include "platform/failure.h"
#include "window/stored_position.h"

namespace {

using wendrake::SingleToText;
using wendrake::TextToNumber;

std::wstring WideText(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] >= 0xF0 && i + 2 < size) {
      text += static_cast<wchar_t>((data[i + 1] << 8) | data[i + 2]);
      i += 2;
    } else {
      text += static_cast<wchar_t>(data[i]);
    }
  }
  return text;
}

// The number, or nothing when it overflows (the only failure allowed).
std::optional<double> Read(std::wstring_view text) {
  try {
    const double value = TextToNumber(text);
    FUZZ_CHECK(std::isfinite(value));
    return value;
  } catch (const wendrake::Failure& failure) {
    FUZZ_CHECK(failure.Code() == wendrake::code::kOverflow);
    return std::nullopt;
  }
}

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n';
}

void CheckTextToNumber(const std::wstring& text) {
  const std::optional<double> value = Read(text);

  // Blanks are skipped anywhere, and nothing after the number counts.
  std::wstring solid;
  for (wchar_t c : text) {
    if (!IsBlank(c)) solid += c;
  }
  FUZZ_CHECK(Read(solid) == value);
  FUZZ_CHECK(Read(text + L"x") == value);

  // A minus in front negates a number that has no sign of its own.
  if (solid.empty() || (solid[0] != L'-' && solid[0] != L'+')) {
    const std::optional<double> negated = Read(L"-" + text);
    FUZZ_CHECK(negated.has_value() == value.has_value());
    if (value) FUZZ_CHECK(*negated == -*value);
  }

  // A stored position is a position or nothing, never a failure.
  const std::optional<wendrake::TwipsPoint> point = wendrake::StoredPosition(text, text);
  if (point) {
    FUZZ_CHECK(std::isfinite(point->Left) && std::fabs(point->Left) <= 1.0e7f);
    FUZZ_CHECK(point->Left == point->Top);
  }
}

void CheckSingleToText(float f) {
  if (!std::isfinite(f)) return;
  const std::wstring text = SingleToText(f, L'.');
  const std::optional<double> back = Read(text);
  FUZZ_CHECK(back.has_value());
  // Seven significant digits: within half a unit of the seventh digit.
  const double exact = static_cast<double>(f);
  FUZZ_CHECK(std::fabs(*back - exact) <= 5e-7 * std::fabs(exact) * (1 + 1e-9));
  FUZZ_CHECK((*back < 0) == (exact < 0) && (*back == 0) == (exact == 0));
}

// The reason for the format: a window closed at pixel p on a screen of some
// dpi opens at pixel p again (twips stored as text, rounded back to pixels
// as the picker's geometry does).
void CheckPositionRoundTrip(int16_t pixel, int dpi) {
  const float twipsPerPixel = 1440.0f / static_cast<float>(dpi);
  const float twips = static_cast<float>(pixel) * twipsPerPixel;
  const std::wstring stored = SingleToText(twips, L'.');
  const std::optional<wendrake::TwipsPoint> point = wendrake::StoredPosition(stored, stored);
  FUZZ_CHECK(point.has_value());
  FUZZ_CHECK(std::lround(static_cast<double>(point->Left) / twipsPerPixel) == pixel);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckTextToNumber(WideText(data, size));
  if (size >= 4) {
    float f;
    std::memcpy(&f, data, sizeof f);
    CheckSingleToText(f);
    int16_t pixel;
    std::memcpy(&pixel, data, sizeof pixel);
    CheckPositionRoundTrip(pixel, 48 + ((data[2] << 8 | data[3]) % 1024));
  }
  return 0;
}
