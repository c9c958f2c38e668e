#include "platform/conversions.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "platform/failure.h"

namespace wendrake {
namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n';
}
bool IsDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// Walks the text while skipping blanks, so "1 2" reads as 12.
class Scanner {
 public:
  explicit Scanner(std::wstring_view text) : text_(text) {}
  wchar_t Peek() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    return pos_ < text_.size() ? text_[pos_] : L'\0';
  }
  void Next() { ++pos_; }
  size_t Mark() const { return pos_; }
  void Reset(size_t mark) { pos_ = mark; }

 private:
  std::wstring_view text_;
  size_t pos_ = 0;
};

// Appends the digits at the scanner to out; returns how many there were.
size_t TakeDigits(Scanner& s, std::string& out) {
  size_t n = 0;
  for (wchar_t c = s.Peek(); IsDigit(c); c = s.Peek(), ++n) {
    out += static_cast<char>(c);
    s.Next();
  }
  return n;
}

// Every 16-bit result passes here: a value beyond the range, or not a
// number, fails with code 6. Sums and products of 16-bit values are exact in
// a double.
int16_t ToInt16(double value) {
  if (!(value >= std::numeric_limits<int16_t>::min() &&
        value <= std::numeric_limits<int16_t>::max())) {
    throw Failure(code::kOverflow);
  }
  return static_cast<int16_t>(value);
}

}  // namespace

double TextToNumber(std::wstring_view text) {
  Scanner s(text);
  std::string number;
  if (wchar_t c = s.Peek(); c == L'-' || c == L'+') {
    if (c == L'-') number += '-';
    s.Next();
  }
  size_t digits = TakeDigits(s, number);
  if (s.Peek() == L'.') {
    s.Next();
    number += '.';
    digits += TakeDigits(s, number);
  }
  if (digits == 0) return 0.0;
  if (wchar_t c = s.Peek(); c == L'e' || c == L'E' || c == L'd' || c == L'D') {
    // The exponent only counts when digits follow it: "1e" is 1.
    const size_t mark = s.Mark();
    std::string exponent = "e";
    s.Next();
    if (wchar_t sign = s.Peek(); sign == L'-' || sign == L'+') {
      exponent += static_cast<char>(sign);
      s.Next();
    }
    if (TakeDigits(s, exponent) > 0) {
      number += exponent;
    } else {
      s.Reset(mark);
    }
  }
  // strtod reads "." as the decimal point: the program never changes the C
  // locale, so the user's regional settings cannot interfere.
  errno = 0;
  const double value = std::strtod(number.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) throw Failure(code::kOverflow);
  return value == 0.0 ? 0.0 : value;  // no "-0"
}

std::wstring SingleToText(float value) {
  // printf's shortest form with seven digits; the program never changes the
  // C locale, so "." is its decimal point. (std::to_chars would do, but
  // brings 150 KB of tables into a 300 KB program.)
  char buffer[32];
  const int length = std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
  std::wstring text;
  for (int i = 0; i < length; ++i) {
    const char c = buffer[i];
    text += static_cast<wchar_t>(c);
    // Some C runtimes write three exponent digits: keep two, as always.
    if (c == 'E' && length - (i + 2) > 2 && buffer[i + 2] == '0') {
      text += static_cast<wchar_t>(buffer[++i]);  // the sign
      ++i;                                        // the leading zero
    }
  }
  return text == L"-0" ? L"0" : text;
}

int16_t RoundToInt16(double value) {
  // The default rounding mode is to nearest, ties to even.
  return ToInt16(std::nearbyint(value));
}

int16_t CheckedAdd16(int16_t a, int16_t b) {
  return ToInt16(static_cast<double>(a) + b);
}

int16_t CheckedMul16(int16_t a, int16_t b) {
  return ToInt16(static_cast<double>(a) * b);
}

float ToSingle(double value) {
  if (std::isnan(value) || std::fabs(value) > FLT_MAX) throw Failure(code::kOverflow);
  return static_cast<float>(value);
}

}  // namespace wendrake
