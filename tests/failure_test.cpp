#include <gtest/gtest.h>

#include <cwchar>

#include "platform/failure.h"

namespace wendrake {
namespace {

TEST(CodeFromSystemError, FileAndFolderFailuresKeepTheirDistinctCodes) {
  EXPECT_EQ(CodeFromSystemError(2), code::kFileNotFound);
  EXPECT_EQ(CodeFromSystemError(3), code::kPathNotFound);
  EXPECT_EQ(CodeFromSystemError(5), code::kPathFileAccessError);
  EXPECT_EQ(CodeFromSystemError(32), code::kPermissionDenied);
  EXPECT_EQ(CodeFromSystemError(123), code::kBadFileName);
  EXPECT_EQ(CodeFromSystemError(999999), code::kPathFileAccessError);
}

TEST(CodeFromHResult, AutomationFailuresBecomeTheCodesTheUserIsShown) {
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x800401F3u)), code::kCannotCreateObject);
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x80040154u)), code::kCannotCreateObject);
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x80004002u)), code::kTypeMismatch);
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x800706BAu)), code::kServerUnavailable);
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x80010108u)), code::kServerUnavailable);
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x8002000Eu)), code::kWrongArgumentCount);
  // An application error raised with its own number keeps that number.
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x800A0035u)), 53);
  // Wrapped Win32 errors map like the plain ones.
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x80070003u)), code::kPathNotFound);
}

TEST(FailureFromHResult, EveryHResultReadsAsACodeWithAGermanDescriptionAndTheNumber) {
  struct Case {
    uint32_t hr;
    bool creating;
    int32_t code;
    const wchar_t* description;
  };
  for (const Case& c : {
           Case{0x80010001u, false, code::kAutomationError, L"MORKA ist besch\u00E4ftigt"},
           Case{0x8001010Au, true, code::kAutomationError, L"MORKA ist besch\u00E4ftigt"},
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

}  // namespace
}  // namespace wendrake
