#include <gtest/gtest.h>

#include <cwchar>
#include <new>
#include <stdexcept>

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
           Case{0x80041234u, false, code::kAutomationError, L"Automatisierungsfehler"},
           Case{0x80004005u, false, code::kAutomationError, L"Automatisierungsfehler"},
       }) {
    const Failure failure = FailureFromHResult(static_cast<int32_t>(c.hr), c.creating);
    EXPECT_EQ(failure.Code(), c.code) << std::hex << c.hr;
    EXPECT_NE(failure.Description().find(c.description), std::wstring::npos) << std::hex << c.hr;
    wchar_t number[16];
    std::swprintf(number, 16, L"(0x%08X)", c.hr);
    EXPECT_NE(failure.Description().find(number), std::wstring::npos) << std::hex << c.hr;
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

// What a catch-all reports: a stray exception must never pass for success.
TEST(CurrentFailure, OursKeepItsCodeMemoryIsSevenAnythingElseFiftyOne) {
  const auto codeOf = [](auto thrown) {
    try {
      throw thrown;
    } catch (...) {
      return CurrentFailure().Code();
    }
  };
  EXPECT_EQ(codeOf(Failure(code::kPathNotFound)), code::kPathNotFound);
  EXPECT_EQ(codeOf(std::bad_alloc()), code::kOutOfMemory);
  EXPECT_EQ(codeOf(std::length_error("vector")), code::kInternalError);
  EXPECT_EQ(codeOf(42), code::kInternalError);
}

}  // namespace
}  // namespace wendrake
