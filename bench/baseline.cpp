// The bare programs bench/run times the picker against, with its manifest.
//   baseline          the floor under the picker's launch time and memory:
//                     the system work its start-up needs, in the same order,
//                     and none of its own
//   baseline client   the least automation client of MORKA's own interface,
//                     its id compiled in, clicked as the picker is: each row
//                     selected creates the object, asks for the interface,
//                     makes both calls and releases it
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>

#include <initializer_list>
#include <string_view>

#include <initguid.h>
#include "zeplo_host.h"

namespace {

HRESULT Call(IDispatch* host, DISPID member, const wchar_t* file) {
  VARIANT argument{};
  argument.vt = VT_BSTR;
  argument.bstrVal = ::SysAllocString(file);
  DISPPARAMS params{&argument, nullptr, 1, 0};
  const HRESULT hr = host->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
  ::VariantClear(&argument);
  return hr;
}

HRESULT HandOff() {
  CLSID clsid{};
  IUnknown* object = nullptr;
  IDispatch* host = nullptr;
  HRESULT hr = ::CLSIDFromProgID(L"ZeploProgram", &clsid);
  if (SUCCEEDED(hr))
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&object));
  if (SUCCEEDED(hr))
    hr = object->QueryInterface(DIID_IZeploProgram, reinterpret_cast<void**>(&host));
  if (SUCCEEDED(hr)) hr = Call(host, 158, L"C:\\ProgramData\\L-VORDANS\\MORKA\\kaskad600.zpk");
  if (SUCCEEDED(hr)) hr = Call(host, 159, L"C:\\ProgramData\\L-VORDANS\\MORKA\\einfarbig.zst");
  if (host != nullptr) host->Release();
  if (object != nullptr) object->Release();
  return hr;
}

// A failed hand-off ends the client, which the timer reports.
LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == LBN_SELCHANGE && FAILED(HandOff()))
    ::PostQuitMessage(1);
  if (message == WM_DESTROY) ::PostQuitMessage(0);
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  const bool client = std::wstring_view(commandLine) == L"client";
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!client) ::CreateMutexW(nullptr, FALSE, L"Local\\WendrakeBenchFloor");
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  WNDCLASSW wc{};
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = client ? L"WendrakeBenchClient" : L"WendrakeBenchFloor";
  // The client stays clear of the picker and of MORKA's window, and is shown
  // once its rows are there: the timer takes a shown window for a ready one.
  const HWND window = ::CreateWindowExW(
      WS_EX_TOOLWINDOW | (client ? WS_EX_TOPMOST : 0), MAKEINTATOM(::RegisterClassW(&wc)),
      L"baseline", WS_POPUP | WS_CLIPCHILDREN, client ? 1000 : 600, client ? 100 : 460, 85, 84,
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
  if (!client && ::SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_APPDATA, &folder) == S_OK) {
    ::SHGetPathFromIDListA(folder, path);
    ::CoTaskMemFree(folder);
  }
  for (const wchar_t* row : {L"Kaskad R600", L"A3 Farbe", L"PDF Ausgabe", L"Vellum G4"})
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
  if (!client) {
    wchar_t left[64] = {};
    DWORD bytes = sizeof left;
    ::RegGetValueW(HKEY_CURRENT_USER,
                   L"Software\\VB and VBA Program Settings\\L-VORDANS\\ZEPLO-Plotter\\Position",
                   L"Left", RRF_RT_REG_SZ, nullptr, left, &bytes);
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  ::ShowWindow(window, client ? SW_SHOWNOACTIVATE : SW_SHOW);
  ::UpdateWindow(window);
  if (!client) {
    const HWND tooltip =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    const RECT closeSpot{67, 0, 79, 9};
    wchar_t text[] = L"Beenden";
    TTTOOLINFOW tool{sizeof tool, TTF_SUBCLASS, window, 1, closeSpot, nullptr, text, 0, nullptr};
    ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  MSG msg{};
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
