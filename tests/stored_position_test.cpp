#include "window/stored_position.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace wendrake {
namespace {

using Point = std::optional<std::pair<float, float>>;

Point Read(const std::wstring& left, const std::wstring& top) {
  const std::optional<TwipsPoint> p = StoredPosition(left, top);
  return p ? Point({p->Left, p->Top}) : std::nullopt;
}

// What earlier runs, other locales and hands may have left in the store.
TEST(StoredPosition, ReadsWhatTheStoreHoldsAndFallsBackToTheCentreRuleOnlyWithoutUsableLeft) {
  EXPECT_EQ(Read(L"1500", L"750"), Point({1500.0f, 750.0f}));
  EXPECT_EQ(Read(L"1500", L""), Point({1500.0f, 0.0f})) << "a Left without Top: top 0";
  EXPECT_EQ(Read(L"", L"750"), Point()) << "a Top without Left is ignored";
  EXPECT_EQ(Read(L"1234,5", L"-2500"), Point({1234.0f, -2500.0f})) << "a decimal comma";
  EXPECT_EQ(Read(L"abc", L"NaN"), Point({0.0f, 0.0f})) << "no number reads as 0";
  EXPECT_EQ(Read(std::wstring(10000, L'x'), L"15"), Point({0.0f, 15.0f}));
  // Values no screen has, a double's range exceeded among them: the centre
  // rule instead of a window out of reach.
  EXPECT_EQ(Read(L"1e400", L"0"), Point());
  EXPECT_EQ(Read(L"1e40", L"0"), Point());
  EXPECT_EQ(Read(L"0", L"-1e40"), Point());
  EXPECT_EQ(Read(std::wstring(10000, L'9'), L"0"), Point());
  // Far off every monitor, but a number: the window code checks monitors.
  EXPECT_EQ(Read(L"-99999", L"200000"), Point({-99999.0f, 200000.0f}));
}

}  // namespace
}  // namespace wendrake
