#include <gtest/gtest.h>

#include <limits>

#include "platform/conversions.h"
#include "platform/failure.h"

namespace wendrake {
namespace {

TEST(TextToNumber, ReadsTheLeadingNumberSkippingBlanksAndStopsAtTheFirstOtherCharacter) {
  // No number reads as 0; an exponent counts only with digits.
  const std::pair<const wchar_t*, double> cases[] = {
      {L"1234,5", 1234.0}, {L" -12.5e1x", -125.0},
      {L"757.5", 757.5},   {L"+7", 7.0},
      {L".5", 0.5},        {L"3D2", 300.0},
      {L"", 0.0},          {L"abc", 0.0},
      {L"-", 0.0},         {L"NaN", 0.0},
      {L"2e", 2.0},        {L"2e+", 2.0},
      {L"2E-1", 0.2},      {L"1.234568E+07", 12345680.0}};
  for (const auto& [text, number] : cases) EXPECT_EQ(TextToNumber(text), number) << text;
  EXPECT_EQ(TextToNumber(L" 1 2\t3\n4 "), 1234.0);
}

TEST(SingleToText, SevenSignificantDigitsAndAPoint) {
  const std::pair<float, const wchar_t*> cases[] = {
      {2500.0f, L"2500"}, {757.5f, L"757.5"}, {-15.0f, L"-15"}, {1e-3f, L"0.001"},
      {0.0f, L"0"},       {-0.0f, L"0"},      {0.1f, L"0.1"},   {12345678.0f, L"1.234568E+07"}};
  for (const auto& [number, text] : cases) EXPECT_EQ(SingleToText(number), text) << number;
}

TEST(SingleToText, EveryTwipsPositionOfAPixelGridReadsBackExactly) {
  // 7.5 twips per pixel (192 dpi) gives half twips; 12 and 15 whole ones.
  for (float twipsPerPixel : {7.5f, 12.0f, 15.0f}) {
    for (int pixel = -40000; pixel <= 40000; pixel += 7) {
      const float twips = static_cast<float>(pixel) * twipsPerPixel;
      ASSERT_EQ(static_cast<float>(TextToNumber(SingleToText(twips))), twips) << twips;
    }
  }
}

TEST(RoundToInt16, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, int16_t> cases[] = {
      {7.5, 8}, {12.5, 12}, {-2.5, -2}, {15.0, 15}, {0.4, 0}, {32767.4, 32767}, {-32768.5, -32768}};
  for (const auto& [number, rounded] : cases) EXPECT_EQ(RoundToInt16(number), rounded) << number;
}

TEST(SixteenBitArithmetic, OverflowsFail) {
  for (const double number : {32767.5, -32769.0, std::numeric_limits<double>::quiet_NaN()})
    EXPECT_THROW(RoundToInt16(number), Failure) << number;
  EXPECT_EQ(CheckedMul16(136, 240), 32640);
  EXPECT_THROW(CheckedMul16(137, 240), Failure);
  EXPECT_EQ(CheckedMul16(0, 240), 0);
  EXPECT_EQ(CheckedAdd16(32766, 1), 32767);
  EXPECT_THROW(CheckedAdd16(32767, 1), Failure);
  EXPECT_THROW(ToSingle(1e40), Failure);
  EXPECT_EQ(ToSingle(-2500.0), -2500.0f);
}

}  // namespace
}  // namespace wendrake
