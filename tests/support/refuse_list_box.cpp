// A CBT hook, set for all programs by a test, under which the picker cannot
// create its list box: a start-up that fails after the picker's window exists.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    RefuseListBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    wchar_t exe[MAX_PATH] = {}, name[32] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const wchar_t* file = exe + length;
    while (file > exe && file[-1] != L'\\') --file;
    ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, 32);
    if (::lstrcmpiW(file, L"Wendrake.exe") == 0 && ::lstrcmpiW(name, L"ListBox") == 0) return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
