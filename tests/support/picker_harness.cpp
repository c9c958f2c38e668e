#include "tests/support/picker_harness.h"

#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <thread>

namespace wendrake::e2e {
namespace {

void SendMouse(DWORD flags, POINT screen = {}) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_MOVE) {
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    input.mi.dwFlags |= MOUSEEVENTF_ABSOLUTE;
    input.mi.dx = MulDiv(screen.x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(screen.y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  }
  ::SendInput(1, &input, sizeof input);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

// An EnumWindows or EnumChildWindows callback that collects every window.
BOOL CALLBACK Collect(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

POINT CentreOf(const RECT& r) {
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

std::wstring FromBuildPath(const char* unixPath) {
  std::wstring path = L"Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return path;
}

std::wstring CatalogueFolder() {
  wchar_t path[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path);
  return path + std::wstring(L"\\L-VORDANS\\ZEPLO-Plotter");
}

std::wstring CataloguePath() {
  return CatalogueFolder() + L"\\ZEPLO_Plotter.txt";
}

void CreateCatalogueFolder() {
  ::SHCreateDirectoryExW(nullptr, CatalogueFolder().c_str(), nullptr);
}

void WriteCatalogue(const std::string& bytes) {
  CreateCatalogueFolder();
  std::ofstream(std::filesystem::path(CataloguePath()), std::ios::binary) << bytes;
}

void RemoveCatalogueFolder() {
  ::DeleteFileW(CataloguePath().c_str());
  ::RemoveDirectoryW(CatalogueFolder().c_str());
}

std::string NumberedCatalogue(int count) {
  std::string text = "* numbered\r\n";
  for (int i = 1; i <= count; ++i) text += "P" + std::to_string(i) + "\r\n";
  return text;
}

bool SetRegistryText(HKEY root, const std::wstring& key, const wchar_t* name,
                     const std::optional<std::wstring>& value, REGSAM view) {
  RegKey opened;
  if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                        opened.Put(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return (value ? ::RegSetValueExW(opened.Get(), name, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(value->c_str()),
                                   static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)))
                : ::RegDeleteValueW(opened.Get(), name)) == ERROR_SUCCESS;
}

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD bytes = sizeof value;
  const LSTATUS status =
      ::RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &bytes);
  return status == ERROR_SUCCESS ? std::optional<std::wstring>(value) : std::nullopt;
}

void SetLogPixels(DWORD dpi) {
  ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                    sizeof dpi);
}

bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  while (!condition()) {
    if (::GetTickCount64() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

Process Process::Start(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
    return Process(nullptr, 0);
  }
  ::CloseHandle(info.hThread);
  return Process(info.hProcess, info.dwProcessId);
}

void Process::Kill() {
  if (process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(process_.Get(), 99);
    ::WaitForSingleObject(process_.Get(), 5000);
  }
}

std::optional<DWORD> Process::WaitForExit(DWORD milliseconds) {
  if (!process_ || ::WaitForSingleObject(process_.Get(), milliseconds) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

std::optional<DWORD> Process::Close(DWORD milliseconds) {
  for (HWND window : Windows(nullptr, false)) ::PostMessageW(window, WM_CLOSE, 0, 0);
  return WaitForExit(milliseconds);
}

std::vector<HWND> Process::Windows(const wchar_t* className, bool visibleOnly) const {
  if (id_ == 0) return {};  // never started: not "any process"
  return TopLevelWindows(id_, className, visibleOnly);
}

HWND Process::WaitForWindow(const wchar_t* className, DWORD milliseconds) const {
  return id_ == 0 ? nullptr : WaitForTopLevel(id_, className, milliseconds);
}

Process StartPicker() {
  return Process::Start(FromBuildPath(WENDRAKE_EXE));
}

std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className, bool visibleOnly) {
  std::vector<HWND> windows;
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
  std::erase_if(windows, [&](HWND window) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    return (processId != 0 && owner != processId) || (visibleOnly && !::IsWindowVisible(window)) ||
           (className != nullptr && ClassName(window) != className);
  });
  return windows;
}

HWND WaitForTopLevel(DWORD processId, const wchar_t* className, DWORD milliseconds) {
  std::vector<HWND> windows;
  WaitFor([&] { return !(windows = TopLevelWindows(processId, className)).empty(); }, milliseconds);
  return windows.empty() ? nullptr : windows.front();
}

std::wstring WindowText(HWND window) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

HWND ListBoxOf(HWND picker) {
  return ::FindWindowExW(picker, nullptr, L"ListBox", nullptr);
}

std::vector<std::wstring> ListRows(HWND list) {
  std::vector<std::wstring> rows(static_cast<size_t>(::SendMessageW(list, LB_GETCOUNT, 0, 0)));
  for (size_t i = 0; i < rows.size(); ++i) {
    wchar_t text[256] = {};  // a name has 15 characters at most
    ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    rows[i] = text;
  }
  return rows;
}

POINT RowCentre(HWND list, int row) {
  RECT item{};
  ::SendMessageW(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item));
  return ScreenPoint(list, CentreOf(item));
}

std::wstring MessageText(HWND box) {
  // The message is the dialog's static control 0xFFFF.
  wchar_t text[1024] = {};
  ::GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return text;
}

std::wstring DialogTexts(HWND dialog) {
  std::vector<HWND> children;
  ::EnumChildWindows(dialog, Collect, reinterpret_cast<LPARAM>(&children));
  std::wstring texts;
  for (HWND child : children) texts += WindowText(child) + L"\n";
  return texts;
}

void MoveMouse(POINT screen) {
  SendMouse(MOUSEEVENTF_MOVE, screen);
}

void Click(POINT screen) {
  MoveMouse(screen);
  SendMouse(MOUSEEVENTF_LEFTDOWN);
  SendMouse(MOUSEEVENTF_LEFTUP);
}

void Drag(POINT from, POINT to, DWORD downFlag, DWORD upFlag) {
  MoveMouse(from);
  SendMouse(downFlag);
  constexpr int kSteps = 8;
  for (int i = 1; i <= kSteps; ++i) {
    MoveMouse(POINT{from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  SendMouse(upFlag);
}

void PressKey(WORD virtualKey, WORD heldKey) {
  const WORD keys[] = {heldKey, virtualKey, virtualKey, heldKey};  // down, down, up, up
  std::vector<INPUT> inputs;
  for (int i = 0; i < 4; ++i) {
    if (keys[i] == 0) continue;  // no key held
    INPUT& input = inputs.emplace_back();
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = keys[i];
    input.ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
  }
  ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

POINT ScreenPoint(HWND window, POINT client) {
  ::ClientToScreen(window, &client);
  return client;
}

void ClickButton(HWND dialog, int id) {
  // A click that comes while a box is still being shown can be lost under
  // load (seen once in a few hundred): again while the box stays.
  for (int attempt = 0; attempt < 3 && ::IsWindowVisible(dialog); ++attempt) {
    Click(CentreOf(WindowRect(::GetDlgItem(dialog, id))));
    WaitFor([&] { return !::IsWindowVisible(dialog); }, 2000);
  }
}

COLORREF ScreenPixel(HWND window, POINT client) {
  const POINT point = ScreenPoint(window, client);
  const HDC screen = ::GetDC(nullptr);
  const COLORREF colour = ::GetPixel(screen, point.x, point.y);
  ::ReleaseDC(nullptr, screen);
  return colour;
}

}  // namespace wendrake::e2e
