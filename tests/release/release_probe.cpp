// What Windows itself reads from a shipped exe or shows of an installer, for
// the release tests (UTF-8, one fact a line, on stdout):
//   release_probe version EXE           the version resource and the main icon
//   release_probe manifest EXE OUT      writes the RT_MANIFEST resource to OUT
//   release_probe dialog TITLE          the texts of the window whose title
//                                       starts so, then ends its process
//   release_probe close CLASS           closes the windows of that class as
//                                       the user would, waits until gone
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

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

std::wstring Dotted(DWORD high, DWORD low) {
  return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
         std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

std::wstring Hex4(unsigned value) {
  wchar_t text[8];
  std::swprintf(text, 8, L"%04x", value);
  return text;
}

std::wstring ResourceName(LPCWSTR name) {
  return IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name))
                              : std::wstring(name);
}

std::vector<std::wstring> ResourceNames(HMODULE module, LPCWSTR type) {
  std::vector<std::wstring> names;
  ::EnumResourceNamesW(
      module, type,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) -> BOOL {
        reinterpret_cast<std::vector<std::wstring>*>(context)->push_back(ResourceName(name));
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
  const DWORD size = ::GetFileVersionInfoSizeW(exe, &ignored);
  if (size == 0) return Fail(L"no version resource");
  std::vector<BYTE> data(size);
  if (!::GetFileVersionInfoW(exe, 0, size, data.data())) return Fail(L"version resource unread");

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE) {
    return Fail(L"no fixed version block");
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
    const std::wstring block = Hex4(translations[i].language) + Hex4(translations[i].codePage);
    Print(L"translation=" + block);
    for (const wchar_t* key : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                               L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
      wchar_t* value = nullptr;
      UINT chars = 0;
      const std::wstring path = L"\\StringFileInfo\\" + block + L"\\" + key;
      if (::VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) &&
          value != nullptr) {
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

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

// A visible top-level window whose title starts with the text (NSIS puts a
// blank after some captions).
HWND WindowTitled(const std::wstring& start) {
  struct Search {
    const std::wstring& start;
    HWND found;
  } search{start, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        if (::IsWindowVisible(window) && TextOf(window).starts_with(s.start)) {
          s.found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Dialog(const wchar_t* title) {
  HWND window = nullptr;
  for (int i = 0; i < 300 && window == nullptr; ++i) {
    window = WindowTitled(title);
    if (window == nullptr) ::Sleep(100);
  }
  if (window == nullptr) return Fail(L"no window titled " + std::wstring(title));
  // The texts arrive once the first page is filled in.
  ::Sleep(1000);
  Print(L"title=" + TextOf(window));
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM) -> BOOL {
        if (!::IsWindowVisible(child)) return TRUE;
        const std::wstring text = TextOf(child);
        if (!text.empty()) Print(L"text=" + text);
        return TRUE;
      },
      0);
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  const HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
  if (process == nullptr) return Fail(L"cannot open the dialog's process");
  ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, 10000);
  ::CloseHandle(process);
  return 0;
}

int Close(const wchar_t* className) {
  auto windows = [className] {
    std::vector<HWND> found;
    for (HWND w = ::FindWindowExW(nullptr, nullptr, className, nullptr); w != nullptr;
         w = ::FindWindowExW(nullptr, w, className, nullptr)) {
      if (::IsWindowVisible(w)) found.push_back(w);
    }
    return found;
  };
  const auto open = windows();
  if (open.empty()) return Fail(L"no window of class " + std::wstring(className));
  for (HWND w : open) ::PostMessageW(w, WM_CLOSE, 0, 0);
  for (int i = 0; i < 100; ++i) {
    if (windows().empty()) return 0;
    ::Sleep(100);
  }
  return Fail(L"still open");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"version" && argc == 3) return Version(argv[2]);
  if (command == L"manifest" && argc == 4) return Manifest(argv[2], argv[3]);
  if (command == L"dialog" && argc == 3) return Dialog(argv[2]);
  if (command == L"close" && argc == 3) return Close(argv[2]);
  return Fail(L"usage: release_probe version EXE | manifest EXE OUT | dialog TITLE | close CLASS");
}
