#pragma once
// Number and text conversions with the rules the stored settings were always
// written and read by, so values from earlier installations read the same.
#include <cstdint>
#include <string>
#include <string_view>

namespace wendrake {

// The leading number of a text: optional sign, digits, optional "." and
// fraction, optional exponent (E or D); blanks, tabs and line feeds are
// skipped anywhere; reading stops at the first other character; 0 when there
// is no number. A value beyond the double range fails with code 6.
double TextToNumber(std::wstring_view text);

// A single-precision value as text: up to seven significant digits, a minus
// sign when negative, "." before a fraction whatever the user's regional
// settings (so that TextToNumber reads it back exactly), exponent form
// ("1.234568E+07") outside the range plain digits can show.
std::wstring SingleToText(float value);

// Rounds to the nearest 16-bit integer, halves to the even neighbour
// (7.5 -> 8, 12.5 -> 12); out of range or not a number fails with code 6.
int16_t RoundToInt16(double value);

// 16-bit signed arithmetic that fails with code 6 instead of wrapping.
int16_t CheckedAdd16(int16_t a, int16_t b);
int16_t CheckedMul16(int16_t a, int16_t b);

// A double stored into a single-precision property: fails with code 6 when
// the value does not fit.
float ToSingle(double value);

}  // namespace wendrake
