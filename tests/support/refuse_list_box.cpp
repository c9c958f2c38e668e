// A CBT hook a test sets for all programs while a picker starts: no list box
// can be created, so the start-up fails after the picker's window exists.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    RefuseListBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    wchar_t name[32] = {};
    ::GetClassNameW(reinterpret_cast<HWND>(wParam), name, 32);
    if (::lstrcmpiW(name, L"ListBox") == 0) return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
