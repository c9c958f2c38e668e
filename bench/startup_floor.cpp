// The floor under the picker's launch time and memory: the system work its
// start-up needs, in the same order, and none of its own.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include <initializer_list>

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::CreateMutexW(nullptr, FALSE, L"Local\\WendrakeBenchFloor");
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSW wc{};
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"WendrakeBenchFloor";
  const HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, MAKEINTATOM(::RegisterClassW(&wc)),
                                        L"floor", WS_POPUP | WS_CLIPCHILDREN, 600, 460, 85, 84,
                                        nullptr, nullptr, instance, nullptr);
  // 8 point, as in the picker's list.
  const LOGFONTW description{
      -11, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, CLEARTYPE_QUALITY, 0, L"MS Shell Dlg 2"};
  const HWND list = ::CreateWindowExW(
      0, WC_LISTBOXW, nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 5, 13,
      73, 64, window, reinterpret_cast<HMENU>(100), instance, nullptr);
  ::SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(::CreateFontIndirectW(&description)),
                 0);
  ::SendMessageW(list, LB_SETITEMHEIGHT, 0, 16);
  PIDLIST_ABSOLUTE folder = nullptr;
  char path[MAX_PATH] = {};
  if (::SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_APPDATA, &folder) == S_OK) {
    ::SHGetPathFromIDListA(folder, path);
    ::CoTaskMemFree(folder);
  }
  for (const wchar_t* row : {L"Kaskad R600", L"A3 Farbe", L"PDF Ausgabe", L"Vellum G4"}) {
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
  }
  wchar_t left[64] = {};
  DWORD bytes = sizeof left;
  ::RegGetValueW(HKEY_CURRENT_USER,
                 L"Software\\VB and VBA Program Settings\\L-VORDANS\\ZEPLO-Plotter\\Position",
                 L"Left", RRF_RT_REG_SZ, nullptr, left, &bytes);
  // The picker imports the automation DLL for its hand-off; the loader maps
  // an import at start, called or not.
  ::SysFreeString(nullptr);
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ::ShowWindow(window, SW_SHOW);
  ::UpdateWindow(window);
  const HWND tooltip =
      ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  const RECT closeSpot{67, 0, 79, 9};
  wchar_t text[] = L"Beenden";
  TTTOOLINFOW tool{sizeof tool, TTF_SUBCLASS, window, 1, closeSpot, nullptr, text, 0, nullptr};
  ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  return 0;
}
