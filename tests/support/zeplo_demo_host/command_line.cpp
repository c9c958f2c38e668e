#include "command_line.h"

#include <cwchar>
#include <cwctype>
#include <string_view>

namespace demo_host {

// COM starts the host with the release its registration names.
const wchar_t kUsage[] =
    L"usage: ZeploDemoHost --register [--typelib 1|2|none] | --unregister\n"
    L"       ZeploDemoHost [--typelib 1|2|none] [--log <file>]\n"
    L"                     [--fail <dispid> <code> <description>]... [--title <text>]\n"
    L"                     [--no-window] [--no-interface] [--minimized] [--stall <dispid>]\n"
    L"                     [--busy <ms>] [--busy-after-158 <ms>]";

namespace {

// Decimal digits only, so that a typo is not taken for another number.
std::optional<DWORD> Number(const wchar_t* text, DWORD max) {
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(text, &end, 10);  // ULONG_MAX when too long
  if (!std::iswdigit(text[0]) || *end != L'\0' || value > max) return std::nullopt;
  return value;
}

std::optional<DISPID> Member(std::wstring_view text) {
  if (text != L"158" && text != L"159") return std::nullopt;
  return text == L"158" ? 158 : 159;
}

}  // namespace

std::wstring ParseCommandLine(int count, wchar_t** args, Options& options) {
  using Action = Options::Action;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view arg = args[i];
    const bool has_value = i + 1 < count;
    if (arg == L"--register" || arg == L"--unregister") {
      if (options.action != Action::kServe)
        return L"--register and --unregister exclude each other";
      options.action = arg == L"--register" ? Action::kRegister : Action::kUnregister;
    } else if (_wcsicmp(args[i], L"-Embedding") == 0 || _wcsicmp(args[i], L"/Embedding") == 0) {
      // Started by COM for a client: serve as usual.
    } else if (arg == L"--no-window") {
      options.no_window = true;
    } else if (arg == L"--no-interface") {
      options.no_interface = true;
    } else if (arg == L"--minimized") {
      options.minimized = true;
    } else if (arg == L"--log" && has_value) {
      options.log_path = args[++i];
    } else if (arg == L"--title" && has_value) {
      options.title = args[++i];
    } else if (arg == L"--typelib" && has_value) {
      const std::wstring_view value = args[++i];
      if (value != L"1" && value != L"2" && value != L"none") return L"--typelib: 1, 2 or none";
      options.typelib = value == L"none" ? 0 : value[0] - L'0';
    } else if (arg == L"--fail" && i + 3 < count) {
      const std::optional<DISPID> member = Member(args[i + 1]);
      const std::optional<DWORD> code = Number(args[i + 2], 0xFFFF);
      if (!member || !code) return L"--fail: the member is 158 or 159, the code 0 to 65535";
      (*member == 158 ? options.fail_158 : options.fail_159) =
          RaisedError{static_cast<WORD>(*code), args[i + 3]};
      i += 3;
    } else if (arg == L"--stall" && has_value) {
      options.stall = Member(args[++i]);
      if (!options.stall) return L"--stall: the member is 158 or 159";
    } else if ((arg == L"--busy" || arg == L"--busy-after-158") && has_value) {
      const std::optional<DWORD> ms = Number(args[++i], 24 * 3600 * 1000);
      if (!ms) return std::wstring(arg) + L": milliseconds, at most a day";
      (arg == L"--busy" ? options.busy : options.busy_after_158) = *ms;
    } else {
      return L"unknown option or missing value: " + std::wstring(arg);
    }
  }
  return {};
}

}  // namespace demo_host
