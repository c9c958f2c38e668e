#pragma once
// Failures carry the numeric codes the program's messages and the host know,
// in one exception type from the failing call to the code that tells the user.
#include <cstdint>
#include <exception>
#include <string>

namespace wendrake {

namespace code {
inline constexpr int32_t kNoWindow = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kUserInterrupt = 18;
inline constexpr int32_t kInternalError = 51;
inline constexpr int32_t kBadFileName = 52;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kDeviceIoError = 57;
inline constexpr int32_t kDiskFull = 61;
inline constexpr int32_t kTooManyFiles = 67;
inline constexpr int32_t kDeviceUnavailable = 68;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kDiskNotReady = 71;
inline constexpr int32_t kPathFileAccessError = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kMethodNotSupported = 438;
inline constexpr int32_t kAutomationError = 440;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongArgumentCount = 450;
inline constexpr int32_t kServerUnavailable = 462;
}  // namespace code

class Failure : public std::exception {
 public:
  // An empty description takes the standard text of the code.
  explicit Failure(int32_t code, std::wstring description = {});

  int32_t Code() const noexcept { return code_; }
  const std::wstring& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return "wendrake::Failure"; }

 private:
  int32_t code_;
  std::wstring description_;
};

// German standard texts for the codes above; a generic text otherwise.
std::wstring StandardDescription(int32_t code);

// Win32 error codes (GetLastError) and HRESULTs as the program's codes. The
// numbers are plain integers so that this mapping builds and is tested
// without windows.h.
int32_t CodeFromSystemError(uint32_t error);
int32_t CodeFromHResult(int32_t hr);

// Throws the failure for a Win32 error code. Pass ::GetLastError() straight
// in, before anything else can run and overwrite it.
[[noreturn]] void ThrowSystemError(uint32_t error);

// Inside a catch block: the exception in flight as a failure; 7 for memory,
// 51 for anything that is not a failure of ours.
Failure CurrentFailure();

// A failed HRESULT as the user reads it: the program's code, and a German
// description that ends with the HRESULT for support. `creating`: the result
// of creating the host's object, where most failures mean "not installed".
Failure FailureFromHResult(int32_t hr, bool creating = false);

// An error an automation object raised (EXCEPINFO): its own code, from wCode
// or else from scode, and its own description when it gave one.
Failure FailureFromException(uint16_t wCode, int32_t scode, std::wstring description);

}  // namespace wendrake
