#pragma once
// A window procedure that forwards to Derived::HandleMessage, with the
// object found through the pointer stored at WM_NCCREATE. Failures stop
// here: nothing thrown by a handler crosses back into the system.
#include <windows.h>

#include "platform/failure.h"
#include "platform/messages.h"

namespace wendrake {

template <class Derived>
class BaseWindow {
 public:
  HWND Hwnd() const { return hwnd_; }

 protected:
  BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;
  // A window that outlives its object (start-up failed after creating it)
  // is cut off first: a message box shown afterwards runs a message loop
  // that would hand it messages for an object that no longer exists.
  ~BaseWindow() {
    if (hwnd_ == nullptr) return;
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }

  static void RegisterWindowClass(WNDCLASSEXW wc) {
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    if (!::RegisterClassExW(&wc)) ThrowSystemError(::GetLastError());
  }

  void CreateWindowOf(const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle,
                      int x, int y, int width, int height) {
    if (!::CreateWindowExW(exStyle, className, title, style, x, y, width, height, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), this)) {
      ThrowSystemError(::GetLastError());
    }
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->hwnd_ = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
      self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd_ = nullptr;
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
      return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
      ReportUnhandledFailure(hwnd);
    }
  }

  HWND hwnd_ = nullptr;
};

}  // namespace wendrake
