#include <gtest/gtest.h>

#include <cwchar>

#include "platform/failure.h"

namespace wendrake {
namespace {

TEST(FailureFromHResult, EveryHResultReadsAsACodeWithAGermanDescriptionAndTheNumber) {
  struct Case {
    uint32_t hr;
    bool creating;
    int32_t code;
    const wchar_t* description;
  };
  for (const Case& c : {
           Case{0x80070005u, true, code::kPermissionDenied, L"anderen Rechten"},
           Case{0x800706BAu, true, code::kCannotCreateObject, L"Objekterstellung"},
           Case{0x800706BAu, false, code::kServerUnavailable, L"Remote-Server"},
           Case{0x80004005u, false, code::kAutomationError, L"Automatisierungsfehler"},
       }) {
    const Failure failure = FailureFromHResult(static_cast<int32_t>(c.hr), c.creating);
    EXPECT_EQ(failure.Code(), c.code) << std::hex << c.hr;
    EXPECT_NE(failure.Description().find(c.description), std::wstring::npos) << std::hex << c.hr;
    wchar_t number[16];
    std::swprintf(number, 16, L"(0x%08X)", c.hr);
    EXPECT_TRUE(failure.Description().ends_with(number)) << std::hex << c.hr;
  }
}

TEST(FailureFromException, TheObjectsOwnCodeAndDescriptionWin) {
  const Failure raised = FailureFromException(0, static_cast<int32_t>(0x800A03E9u), L"Datei fehlt");
  EXPECT_EQ(raised.Code(), 1001);
  EXPECT_EQ(raised.Description(), L"Datei fehlt");
  EXPECT_EQ(FailureFromException(1234, 0, L"x").Code(), 1234);
  // Without a description the code's standard text stands in.
  EXPECT_EQ(FailureFromException(0, static_cast<int32_t>(0x80004002u), L"").Description(),
            StandardDescription(code::kTypeMismatch));
}

// The numbers the start-up message shows for the file system's failures.
TEST(CodeFromSystemError, FileSystemFailuresHaveTheNumbersTheMessagesName) {
  const std::pair<uint32_t, int32_t> cases[] = {{2, 53},  {3, 76},   {5, 75},    {32, 70},
                                                {33, 70}, {123, 52}, {1117, 57}, {55, 68},
                                                {21, 71}, {8, 7},    {0, 51},    {9999, 75}};
  for (const auto& [error, code] : cases) EXPECT_EQ(CodeFromSystemError(error), code) << error;
}

}  // namespace
}  // namespace wendrake
