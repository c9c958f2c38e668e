#include <cwchar>
#include <cwctype>

#include "host.h"

namespace demo_host {
namespace {

// Decimal digits only, so that a typo is not taken for another number.
bool Number(const wchar_t* text, DWORD max, DWORD& value) {
  wchar_t* end = nullptr;
  value = std::wcstoul(text, &end, 10);  // ULONG_MAX when too long
  return std::iswdigit(text[0]) && *end == L'\0' && value <= max;
}

DISPID Member(std::wstring_view text) {
  return text == L"158" ? 158 : text == L"159" ? 159 : 0;
}

}  // namespace

std::wstring ParseCommandLine(int count, wchar_t** args, Options& o) {
  using Action = Options::Action;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view arg = args[i];
    const int values = count - i - 1;  // what follows the option
    bool ok = true;
    if (arg == L"--register" || arg == L"--unregister") {
      ok = o.action == Action::kServe;  // not both
      o.action = arg == L"--register" ? Action::kRegister : Action::kUnregister;
    } else if (_wcsicmp(args[i], L"-Embedding") == 0 || _wcsicmp(args[i], L"/Embedding") == 0) {
      // Started by COM for a client: serve as usual.
    } else if (arg == L"--no-window") {
      o.no_window = true;
    } else if (arg == L"--no-interface") {
      o.no_interface = true;
    } else if (arg == L"--minimized") {
      o.minimized = true;
    } else if ((arg == L"--log" || arg == L"--title") && values) {
      (arg == L"--log" ? o.log_path : o.title) = args[++i];
    } else if (arg == L"--typelib" && values) {
      const std::wstring_view release = args[++i];
      o.typelib = release == L"1" ? 1 : release == L"2" ? 2 : 0;
      ok = o.typelib != 0 || release == L"none";
    } else if (arg == L"--stall" && values) {
      ok = (o.stall = Member(args[++i])) != 0;
    } else if ((arg == L"--busy" || arg == L"--busy-after-158") && values) {
      ok = Number(args[++i], 24 * 3600 * 1000, arg == L"--busy" ? o.busy : o.busy_after_158);
    } else if (arg == L"--fail" && values >= 3) {
      const DISPID member = Member(args[i + 1]);
      DWORD code = 0;
      ok = member != 0 && Number(args[i + 2], 0xFFFF, code);
      if (ok) o.fail[member - 158] = RaisedError{static_cast<WORD>(code), args[i + 3]};
      i += 3;
    } else {
      ok = false;
    }
    if (!ok) return L"unknown option, or a missing or bad value: " + std::wstring(arg);
  }
  return {};
}

}  // namespace demo_host
