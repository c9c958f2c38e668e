// What the user and Windows see of the picker, its exe and its installer, for
// scripts/run and the release tests where nobody looks at the screen (UTF-8,
// one fact a line, on stdout):
//   probe show               the running picker: title, place, size, rows
//   probe click ROW          clicks the picker's row (0-based) as a user would
//   probe close              closes the picker as a user would, waits until gone
//   probe version EXE        the version resource and the main icon
//   probe manifest EXE OUT   writes the RT_MANIFEST resource to OUT
//   probe dialog TITLE       the texts of the window whose title starts so,
//                            then ends its process
#include <string>
#include <vector>

#include "tests/support/picker_harness.h"

namespace {

using namespace wendrake::e2e;

void Print(const std::wstring& line) {
  const std::wstring text = line + L"\n";
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
              &written, nullptr);
}

int Fail(const std::wstring& why) {
  Print(L"error: " + why);
  return 1;
}

HWND Picker() {
  HWND picker = nullptr;
  WaitFor([&] {
    const auto windows = PickerWindows();
    picker = windows.empty() ? nullptr : windows.front();
    return picker != nullptr;
  });
  return picker;
}

int Show(HWND picker) {
  const RECT r = WindowRect(picker);
  const bool topmost = ::GetWindowLongW(picker, GWL_EXSTYLE) & WS_EX_TOPMOST;
  Print(L"window \"" + WindowText(picker) + L"\" at " + std::to_wstring(r.left) + L"," +
        std::to_wstring(r.top) + L", " + std::to_wstring(r.right - r.left) + L" x " +
        std::to_wstring(r.bottom - r.top) + L" pixels, " + (topmost ? L"topmost" : L"not topmost"));
  const HWND list = ListBoxOf(picker);
  const LRESULT selected = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
  const auto rows = ListRows(list);
  for (size_t i = 0; i < rows.size(); ++i) {
    Print((static_cast<LRESULT>(i) == selected ? L"  > row " : L"    row ") + std::to_wstring(i) +
          L": " + rows[i]);
  }
  return 0;
}

int ClickRow(HWND picker, int row) {
  const HWND list = ListBoxOf(picker);
  RECT item{};
  ::SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
  Click(ScreenPoint(list, CentreOf(item)));
  return 0;
}

int Close(HWND picker) {
  ::PostMessageW(picker, WM_CLOSE, 0, 0);
  return WaitFor([] { return PickerWindows().empty(); }) ? 0 : Fail(L"still open");
}

std::wstring Dotted(DWORD high, DWORD low) {
  return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
         std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

std::vector<std::wstring> ResourceNames(HMODULE module, LPCWSTR type) {
  std::vector<std::wstring> names;
  ::EnumResourceNamesW(
      module, type,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) -> BOOL {
        reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(
            IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&names));
  return names;
}

HMODULE LoadAsData(const wchar_t* exe) {
  return ::LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

int Version(const wchar_t* exe) {
  DWORD ignored = 0;
  std::vector<BYTE> data(::GetFileVersionInfoSizeW(exe, &ignored));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (data.empty() ||
      !::GetFileVersionInfoW(exe, 0, static_cast<DWORD>(data.size()), data.data()) ||
      !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      fixed->dwSignature != VS_FFI_SIGNATURE) {
    return Fail(L"no version resource");
  }
  Print(L"fixed-file-version=" + Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
  Print(L"fixed-product-version=" + Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
  Print(L"fixed-file-type=" + std::to_wstring(fixed->dwFileType));
  struct Translation {
    WORD language;
    WORD codePage;
  }* translations = nullptr;
  if (!::VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &length)) {
    return Fail(L"no translation table");
  }
  for (UINT i = 0; i < length / sizeof(Translation); ++i) {
    wchar_t block[16];
    swprintf(block, 16, L"%04x%04x", translations[i].language, translations[i].codePage);
    Print(std::wstring(L"translation=") + block);
    for (const wchar_t* key : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                               L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
      wchar_t* value = nullptr;
      const std::wstring path = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + key;
      if (::VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
        Print(std::wstring(key) + L"=" + value);
      }
    }
  }
  const HMODULE module = LoadAsData(exe);
  if (module == nullptr) return Fail(L"cannot load as data");
  const auto icons = ResourceNames(module, RT_GROUP_ICON);
  Print(L"first-group-icon=" + (icons.empty() ? std::wstring(L"none") : icons.front()));
  ::FreeLibrary(module);
  return 0;
}

int Manifest(const wchar_t* exe, const wchar_t* out) {
  const HMODULE module = LoadAsData(exe);
  if (module == nullptr) return Fail(L"cannot load as data");
  for (const auto& name : ResourceNames(module, RT_MANIFEST)) Print(L"manifest-id=" + name);
  const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
  if (found == nullptr) return Fail(L"no manifest with id 1");
  const DWORD size = ::SizeofResource(module, found);
  const void* bytes = ::LockResource(::LoadResource(module, found));
  const HANDLE file =
      ::CreateFileW(out, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(L"cannot write the output");
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, bytes, size, &written, nullptr);
  ::CloseHandle(file);
  ::FreeLibrary(module);
  return ok && written == size ? 0 : Fail(L"short write");
}

// A visible top-level window whose title starts with the text (NSIS puts a
// blank after some captions).
int Dialog(const std::wstring& title) {
  HWND window = nullptr;
  WaitFor(
      [&] {
        window = ::GetTopWindow(nullptr);
        while (window != nullptr &&
               !(::IsWindowVisible(window) && WindowText(window).starts_with(title))) {
          window = ::GetWindow(window, GW_HWNDNEXT);
        }
        return window != nullptr;
      },
      30000);
  if (window == nullptr) return Fail(L"no window titled " + title);
  ::Sleep(1000);  // the texts arrive once the first page is filled in
  Print(L"title=" + WindowText(window));
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM) -> BOOL {
        if (::IsWindowVisible(child) && !WindowText(child).empty())
          Print(L"text=" + WindowText(child));
        return TRUE;
      },
      0);
  DWORD id = 0;
  ::GetWindowThreadProcessId(window, &id);
  Process::Attach(id).Kill();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"version" && argc == 3) return Version(argv[2]);
  if (command == L"manifest" && argc == 4) return Manifest(argv[2], argv[3]);
  if (command == L"dialog" && argc == 3) return Dialog(argv[2]);
  if (command == L"show" || command == L"click" || command == L"close") {
    const HWND picker = Picker();
    if (picker == nullptr) return Fail(L"no picker window");
    if (command == L"show") return Show(picker);
    if (command == L"close") return Close(picker);
    if (argc == 3) return ClickRow(picker, std::stoi(argv[2]));
  }
  return Fail(
      L"usage: probe show | click ROW | close | version EXE | manifest EXE OUT | dialog TITLE");
}
