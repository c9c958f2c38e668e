#include <gtest/gtest.h>

#include <limits>

#include "platform/conversions.h"
#include "platform/failure.h"

namespace wendrake {
namespace {

TEST(TextToNumber, ReadsTheLeadingNumberSkippingBlanksAndStopsAtTheFirstOtherCharacter) {
  EXPECT_EQ(TextToNumber(L"1234,5"), 1234.0);
  EXPECT_EQ(TextToNumber(L" -12.5e1x"), -125.0);
  EXPECT_EQ(TextToNumber(L" 1 2\t3\n4 "), 1234.0);
  EXPECT_EQ(TextToNumber(L"757.5"), 757.5);
  EXPECT_EQ(TextToNumber(L"+7"), 7.0);
  EXPECT_EQ(TextToNumber(L".5"), 0.5);
  EXPECT_EQ(TextToNumber(L"3D2"), 300.0);
  EXPECT_EQ(TextToNumber(L"1.234568E+07"), 12345680.0);
  for (const wchar_t* none : {L"", L"abc", L"-", L"NaN"}) EXPECT_EQ(TextToNumber(none), 0.0);
  // An exponent counts only with digits.
  EXPECT_EQ(TextToNumber(L"2e"), 2.0);
  EXPECT_EQ(TextToNumber(L"2e+"), 2.0);
  EXPECT_EQ(TextToNumber(L"2E-1"), 0.2);
}

TEST(SingleToText, SevenSignificantDigitsAndAPoint) {
  EXPECT_EQ(SingleToText(2500.0f), L"2500");
  EXPECT_EQ(SingleToText(757.5f), L"757.5");
  EXPECT_EQ(SingleToText(-15.0f), L"-15");
  EXPECT_EQ(SingleToText(1e-3f), L"0.001");
  EXPECT_EQ(SingleToText(0.0f), L"0");
  EXPECT_EQ(SingleToText(-0.0f), L"0");
  EXPECT_EQ(SingleToText(12345678.0f), L"1.234568E+07");
  EXPECT_EQ(SingleToText(0.1f), L"0.1");
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
  EXPECT_EQ(RoundToInt16(7.5), 8);
  EXPECT_EQ(RoundToInt16(12.5), 12);
  EXPECT_EQ(RoundToInt16(-2.5), -2);
  EXPECT_EQ(RoundToInt16(15.0), 15);
  EXPECT_EQ(RoundToInt16(0.4), 0);
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(RoundToInt16(-32768.5), -32768);
}

TEST(SixteenBitArithmetic, OverflowsFail) {
  EXPECT_THROW(RoundToInt16(32767.5), Failure);
  EXPECT_THROW(RoundToInt16(-32769.0), Failure);
  EXPECT_THROW(RoundToInt16(std::numeric_limits<double>::quiet_NaN()), Failure);
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
