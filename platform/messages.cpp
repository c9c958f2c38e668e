#include "platform/messages.h"

#include <string>

#include "platform/failure.h"

namespace wendrake {

void ShowMessage(HWND owner, std::wstring_view text, std::wstring_view title) {
  ::MessageBoxW(owner, std::wstring(text).c_str(), std::wstring(title).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

void ReportUnhandledFailure(HWND owner) noexcept {
  int32_t code = code::kInternalError;
  try {
    const Failure failure = CurrentFailure();
    code = failure.Code();
    const std::wstring text =
        L"Laufzeitfehler " + std::to_wstring(code) + L":\n\n" + failure.Description();
    ::MessageBoxW(owner, text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  } catch (...) {
    // Not even memory for the text: a message all the same.
    ::MessageBoxW(owner, L"Laufzeitfehler", kCaption, MB_OK | MB_ICONEXCLAMATION);
  }
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace wendrake
