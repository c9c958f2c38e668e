#pragma once
// Drives the picker the way a user and the system do: a real process, its
// real windows, the real registry, real mouse and keyboard input.
#include <windows.h>

#include "platform/handles.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wendrake::e2e {

inline constexpr wchar_t kPickerClass[] = L"Wendrake_frm1";
inline constexpr wchar_t kPositionKey[] =
    L"Software\\VB and VBA Program Settings\\L-VORDANS\\ZEPLO-Plotter\\Position";

// A Linux path from the build as the Windows path Wine maps it to.
std::wstring FromBuildPath(const char* unixPath);
// ZEPLO-Plotter in the all-users application data folder, and the catalogue in it.
std::wstring CatalogueFolder();
std::wstring CataloguePath();
void WriteCatalogue(const std::string& bytes);
void CreateCatalogueFolder();
void RemoveCatalogueFolder();
// Catalogue lines for n plotters named P1..Pn.
std::string NumberedCatalogue(int count);

// A text value of the registry (name null: the key's default); nullopt when
// absent. Setting nullopt removes the value; the key is made as needed.
std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name);
bool SetRegistryText(HKEY root, const std::wstring& key, const wchar_t* name,
                     const std::optional<std::wstring>& value, REGSAM view = 0);
// The DPI the next process sees.
void SetLogPixels(DWORD dpi);

bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 10000);

class Process {
 public:
  static Process Start(const std::wstring& exe, const std::wstring& arguments = {});
  Process(Process&&) noexcept = default;
  ~Process() { Kill(); }  // a process still running is killed

  HANDLE Handle() const { return process_.Get(); }
  // The exit code, or nullopt while it still runs after the wait.
  std::optional<DWORD> WaitForExit(DWORD milliseconds = 10000);
  void Kill();
  // Asks its top-level windows to close, as a user would; the exit code.
  std::optional<DWORD> Close(DWORD milliseconds = 10000);
  // Top-level windows of the process with the class (any when null).
  std::vector<HWND> Windows(const wchar_t* className = nullptr, bool visibleOnly = true) const;
  HWND WaitForWindow(const wchar_t* className, DWORD milliseconds = 10000) const;

 private:
  Process(HANDLE process, DWORD id) : process_(process), id_(id) {}
  KernelHandle process_;
  DWORD id_;
};

Process StartPicker();
// Top-level windows of a process (0: any) with the class (any when null).
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className,
                                  bool visibleOnly = true);
// The first visible top-level window of the class of a process (0: any), or
// null once the time is up.
HWND WaitForTopLevel(DWORD processId, const wchar_t* className, DWORD milliseconds = 10000);

std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
inline RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}
inline RECT ClientRect(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  return r;
}
HWND ListBoxOf(HWND picker);
std::vector<std::wstring> ListRows(HWND list);
// The centre of a list row, in screen coordinates.
POINT RowCentre(HWND list, int row);
std::wstring MessageText(HWND box);
// The texts of all controls of a dialog, one a line.
std::wstring DialogTexts(HWND dialog);

void MoveMouse(POINT screen);
void Click(POINT screen);
// Presses a button at `from`, moves in steps to `to`, releases there.
void Drag(POINT from, POINT to, DWORD downFlag = MOUSEEVENTF_LEFTDOWN,
          DWORD upFlag = MOUSEEVENTF_LEFTUP);
// A key, with another one (VK_MENU for Alt) held down around it if given.
void PressKey(WORD virtualKey, WORD heldKey = 0);
POINT ScreenPoint(HWND window, POINT client);
// Clicks a dialog's button that closes it, as a user does.
void ClickButton(HWND dialog, int id);

COLORREF ScreenPixel(HWND window, POINT client);

}  // namespace wendrake::e2e
