#include <gtest/gtest.h>

#include "host/handoff_text.h"
#include "window/layout.h"

namespace wendrake {
namespace {

TEST(TrapActionFor, FileNotFoundAndTypeMismatchAreSpecialAllElseIsALoadError) {
  EXPECT_EQ(TrapActionFor(53), TrapAction::kFileNotFoundMessage);
  EXPECT_EQ(TrapActionFor(13), TrapAction::kPlaceAtFallback);
  for (int32_t other : {6, 76, 75, 9, 429}) {
    EXPECT_EQ(TrapActionFor(other), TrapAction::kLoadErrorMessage) << other;
  }
  EXPECT_EQ(LoadErrorText(76), L"Load_Error! Error number:76");
  EXPECT_EQ(LoadErrorText(-2147221164), L"Load_Error! Error number:-2147221164");
}

TEST(StoredPosition, LeftDecidesAndTopDefaultsToZero) {
  EXPECT_FALSE(StoredPosition(L"", L"300"));
  const auto leftOnly = StoredPosition(L"1500", L"");
  ASSERT_TRUE(leftOnly);
  EXPECT_EQ(leftOnly->Left, 1500.0f);
  EXPECT_EQ(leftOnly->Top, 0.0f);
  const auto comma = StoredPosition(L"1234,5", L"-2500");
  ASSERT_TRUE(comma);
  EXPECT_EQ(comma->Left, 1234.0f);
  EXPECT_EQ(comma->Top, -2500.0f);
  const auto garbage = StoredPosition(L"abc", L"NaN");
  ASSERT_TRUE(garbage);  // reads as 0, 0: on screen, as always
  EXPECT_EQ(garbage->Left, 0.0f);
}

TEST(StoredPosition, AbsurdValuesFallBackToTheCentreRule) {
  EXPECT_FALSE(StoredPosition(L"1e40", L"0"));
  EXPECT_FALSE(StoredPosition(L"0", L"-1e40"));
  EXPECT_FALSE(StoredPosition(std::wstring(10000, L'7'), L"0"));
  EXPECT_TRUE(StoredPosition(L"-30000", L"200000"));  // checked against monitors later
}

TEST(HostFilePath, PlainConcatenationBelowTheHostsDataFolder) {
  EXPECT_EQ(HostFilePath(L"C:\\Data", L"p1"), L"C:\\Data\\L-VORDANS\\MORKA\\p1");
  EXPECT_EQ(HostFilePath(L"C:\\Data", L""), L"C:\\Data\\L-VORDANS\\MORKA\\");
  EXPECT_EQ(HostFilePath(L"", L"a b.zst"), L"\\L-VORDANS\\MORKA\\a b.zst");
}

}  // namespace
}  // namespace wendrake
