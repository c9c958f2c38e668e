#pragma once
// Win32 failures as the program's failures.
#include <windows.h>

namespace wendrake {

// Throws the failure for the calling thread's last error. Reads it before
// anything else can run and overwrite it.
[[noreturn]] void ThrowLastError();
// Throws the failure for a Win32 error code returned by a call.
[[noreturn]] void ThrowSystemError(DWORD error);

}  // namespace wendrake
