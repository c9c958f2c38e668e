#include "platform/messages.h"

#include <string>

namespace wendrake {

void ShowMessage(HWND owner, std::wstring_view text, std::wstring_view title) {
  ::MessageBoxW(owner, std::wstring(text).c_str(), std::wstring(title).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

void ReportUnhandledFailure(HWND owner, const Failure& failure) {
  const std::wstring text =
      L"Laufzeitfehler " + std::to_wstring(failure.Code()) + L":\n\n" + failure.Description();
  ::MessageBoxW(owner, text.c_str(), L"VUX-Wendrake", MB_OK | MB_ICONEXCLAMATION);
  ::ExitProcess(static_cast<UINT>(failure.Code()));
}

}  // namespace wendrake
