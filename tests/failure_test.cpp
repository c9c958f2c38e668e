#include <gtest/gtest.h>

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
  // Unknown failures are reported by their HRESULT.
  EXPECT_EQ(CodeFromHResult(static_cast<int32_t>(0x80041234u)), static_cast<int32_t>(0x80041234u));
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
