// The baseline for the picker's launch time and memory: a class, an 85 x 100
// popup, shown, and a message loop; nothing else unless asked.
//
//   bare_window [--with STEP[,STEP]...]
//
// The steps add, one at a time, what the picker's start-up does besides
// showing a window, so that `bench/run --breakdown` can price each of them
// without touching the picker:
//   dlls      loads the DLLs the picker imports beyond this program's own
//   X.dll     loads that DLL alone
//   com       CoInitializeEx, single-threaded apartment
//   controls  InitCommonControlsEx
//   mutex     a named mutex
//   shell     the all-users data folder through the shell
//   registry  one value of the picker's settings key
//   font      an 8 point "MS Shell Dlg 2"
//   listbox   a child list box with that font and four rows
//   tooltip   a tooltip window with one tool, after the window is shown
//   topmost   the window made topmost
// The DLLs are loaded at run time: an import, even one never called, would
// make the loader map its DLL for the bare window too.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string_view>

namespace {

constexpr wchar_t kClassName[] = L"WendrakeBenchBare";

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

// The comma-separated word after "--with" on the command line.
std::wstring_view Steps(std::wstring_view commandLine) {
  constexpr std::wstring_view kOption = L"--with ";
  const size_t at = commandLine.find(kOption);
  if (at == std::wstring_view::npos) return {};
  const std::wstring_view rest = commandLine.substr(at + kOption.size());
  return rest.substr(0, std::min(rest.find(L' '), rest.size()));
}

template <typename Visit>
bool AnyStep(std::wstring_view steps, Visit visit) {
  size_t start = 0;
  while (start < steps.size()) {
    const size_t end = std::min(steps.find(L',', start), steps.size());
    if (visit(steps.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

bool Has(std::wstring_view steps, std::wstring_view step) {
  return AnyStep(steps, [&](std::wstring_view s) { return s == step; });
}

template <typename Function>
Function Entry(const wchar_t* dll, const char* name) {
  const HMODULE module = ::LoadLibraryW(dll);
  if (module == nullptr) ::ExitProcess(3);
  return reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  const std::wstring_view steps = Steps(commandLine);
  if (Has(steps, L"dlls")) {
    for (const wchar_t* dll :
         {L"comctl32.dll", L"shell32.dll", L"ole32.dll", L"oleaut32.dll", L"advapi32.dll"}) {
      ::LoadLibraryW(dll);
    }
  }
  AnyStep(steps, [](std::wstring_view step) {
    if (step.ends_with(L".dll")) {
      wchar_t name[MAX_PATH] = {};
      step.copy(name, std::min<size_t>(step.size(), MAX_PATH - 1));
      ::LoadLibraryW(name);
    }
    return false;
  });
  HANDLE mutex = nullptr;
  if (Has(steps, L"mutex")) mutex = ::CreateMutexW(nullptr, FALSE, L"Local\\WendrakeBenchBare");
  if (Has(steps, L"com")) {
    Entry<HRESULT(WINAPI*)(void*, DWORD)>(L"ole32.dll", "CoInitializeEx")(nullptr,
                                                                          COINIT_APARTMENTTHREADED);
  }
  if (Has(steps, L"controls")) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    Entry<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(L"comctl32.dll",
                                                      "InitCommonControlsEx")(&controls);
  }
  if (Has(steps, L"shell")) {
    PIDLIST_ABSOLUTE idList = nullptr;
    if (Entry<HRESULT(WINAPI*)(HWND, int, PIDLIST_ABSOLUTE*)>(
            L"shell32.dll", "SHGetSpecialFolderLocation")(nullptr, CSIDL_COMMON_APPDATA, &idList) ==
        S_OK) {
      char path[MAX_PATH] = {};
      Entry<BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, char*)>(L"shell32.dll", "SHGetPathFromIDListA")(idList,
                                                                                             path);
      Entry<void(WINAPI*)(void*)>(L"ole32.dll", "CoTaskMemFree")(idList);
    }
  }
  if (Has(steps, L"registry")) {
    wchar_t value[64] = {};
    DWORD bytes = sizeof value;
    Entry<LSTATUS(WINAPI*)(HKEY, const wchar_t*, const wchar_t*, DWORD, DWORD*, void*, DWORD*)>(
        L"advapi32.dll", "RegGetValueW")(
        HKEY_CURRENT_USER,
        L"Software\\VB and VBA Program Settings\\L-VORDANS\\ZEPLO-Plotter\\Position", L"Left",
        RRF_RT_REG_SZ, nullptr, value, &bytes);
  }

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc)) return 1;
  const HWND window = ::CreateWindowExW(0, kClassName, L"bare", WS_POPUP | WS_CLIPCHILDREN, 600,
                                        460, 85, 100, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) return 1;

  HFONT font = nullptr;
  if (Has(steps, L"font") || Has(steps, L"listbox")) {
    LOGFONTW description{};
    description.lfHeight = -11;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = CLEARTYPE_QUALITY;
    wcscpy_s(description.lfFaceName, L"MS Shell Dlg 2");
    font = ::CreateFontIndirectW(&description);
  }
  if (Has(steps, L"listbox")) {
    const HWND list =
        ::CreateWindowExW(0, L"ListBox", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY,
                          5, 13, 73, 64, window, nullptr, instance, nullptr);
    ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SendMessageW(list, LB_SETITEMHEIGHT, 0, 16);
    for (const wchar_t* row : {L"Kaskad R600", L"A3 Farbe", L"PDF Ausgabe", L"Vellum G4"}) {
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
    }
  }
  if (Has(steps, L"topmost")) {
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }

  ::ShowWindow(window, SW_SHOW);
  // As in the picker: the tooltip once the window is painted.
  ::UpdateWindow(window);
  HWND tooltip = nullptr;
  if (Has(steps, L"tooltip")) {
    // The class is registered by comctl32 when it loads.
    ::LoadLibraryW(L"comctl32.dll");
    tooltip =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = 1;
    tool.rect = RECT{67, 0, 79, 9};
    tool.lpszText = const_cast<wchar_t*>(L"Beenden");
    ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (tooltip != nullptr) ::DestroyWindow(tooltip);
  if (font != nullptr) ::DeleteObject(font);
  if (mutex != nullptr) ::CloseHandle(mutex);
  return static_cast<int>(msg.wParam);
}
