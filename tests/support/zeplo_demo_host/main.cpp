// ZeploDemoHost: a stand-in for the CAD application, so that the picker can be
// tried and tested without it. It serves "ZeploProgram" from a window titled
// MORKA, lists every call it receives and, with --log, appends them to a file.
//
//   ZeploDemoHost --register [--typelib 1|2|none] | --unregister
//   ZeploDemoHost [--typelib 1|2|none] [--log <file>]
//                 [--fail <dispid> <code> <description>]... [--title <text>]
//                 [--no-window] [--no-interface] [--minimized] [--stall <dispid>]
//                 [--busy <ms>] [--busy-after-158 <ms>]
//
// --typelib chooses which release of its type library the host registers and
// serves (the releases differ in their interface ids), or none: then it is
// reached through IDispatch alone. COM starts it with the one it registered.

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <shellapi.h>
#include <wrl/client.h>

#include <cerrno>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text.h"
#include "zeplo_object.h"

// The GUIDs of the host's type library are defined in this translation unit.
#include <initguid.h>
#include "zeplo_host.h"

// oleauto.h of MinGW-w64 lacks the per-user variants oleaut32 exports.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* help_dir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID library, WORD major, WORD minor, LCID lcid,
                                        SYSKIND syskind);
}

namespace {

using demo_host::GuidText;
using demo_host::RaisedError;
using demo_host::ServerContext;
using demo_host::Utf8;
using Microsoft::WRL::ComPtr;

constexpr wchar_t kProgId[] = L"ZeploProgram";
constexpr wchar_t kExeName[] = L"ZeploDemoHost.exe";
constexpr wchar_t kWindowClass[] = L"ZeploDemoHostWindow";
constexpr wchar_t kHiddenTitle[] = L"ZeploDemoHost";
constexpr wchar_t kUsage[] =
    L"usage: ZeploDemoHost --register [--typelib 1|2|none] | --unregister\n"
    L"       ZeploDemoHost [--typelib 1|2|none] [--log <file>]\n"
    L"                     [--fail <dispid> <code> <description>]... [--title <text>]\n"
    L"                     [--no-window] [--no-interface] [--minimized] [--stall <dispid>]\n"
    L"                     [--busy <ms>] [--busy-after-158 <ms>]";

enum ExitCode { kOk = 0, kFailed = 1, kBadUsage = 2 };

// ---------------------------------------------------------------------------
// Ownership of handles

class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~UniqueHandle() {
    if (valid()) CloseHandle(handle_);
  }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

class UniqueKey {
 public:
  UniqueKey() = default;
  UniqueKey(UniqueKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    std::swap(key_, other.key_);
    return *this;
  }
  ~UniqueKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY get() const { return key_; }
  HKEY* put() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(text_); }
  BSTR* put() { return &text_; }
  std::wstring str() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : L""; }

 private:
  BSTR text_ = nullptr;
};

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};

// CoUninitialize also disconnects objects that clients still hold, which releases
// them: everything they report to must outlive this.
class Apartment {
 public:
  Apartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// ---------------------------------------------------------------------------
// Text

std::wstring HresultText(HRESULT hr) {
  wchar_t text[16] = {};
  wsprintfW(text, L"0x%08X", static_cast<unsigned>(hr));
  return text;
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// ---------------------------------------------------------------------------
// Event log and error reports

// One line per event, each written with a single WriteFile on a file opened for
// appending: a reader polling the file never sees half a line, and several
// hosts may share one log.
class EventLog {
 public:
  DWORD Open(const std::wstring& path) {
    file_ = UniqueHandle(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.valid() ? ERROR_SUCCESS : GetLastError();
  }

  void Write(std::wstring_view line) noexcept {
    if (!file_.valid()) return;
    try {
      const std::string bytes = Utf8(line) + '\n';
      DWORD written = 0;
      WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    } catch (const std::bad_alloc&) {
      // A lost log line must not take the host down.
    }
  }

 private:
  UniqueHandle file_;
};

// A GUI program has no console of its own: errors go to whatever standard error
// it inherited, and into the log, where a test looks first.
void ReportError(EventLog& log, std::wstring_view message) {
  log.Write(L"error " + std::wstring(message));
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
  const std::wstring line = L"ZeploDemoHost: " + std::wstring(message) + L"\n";
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(error, &mode)) {
    WriteConsoleW(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  } else {
    const std::string bytes = Utf8(line);
    WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
}

// ---------------------------------------------------------------------------
// Command line

struct Options {
  enum class Action { kServe, kRegister, kUnregister };
  Action action = Action::kServe;
  std::wstring log_path;
  std::wstring title = L"MORKA";
  int typelib = 1;  // the resource number of the release; 0: none
  bool no_window = false;
  bool no_interface = false;
  bool minimized = false;
  std::optional<RaisedError> fail_158;
  std::optional<RaisedError> fail_159;
  std::optional<DISPID> stall;
  DWORD busy = 0;
  DWORD busy_after_158 = 0;
};

// Decimal, or hexadecimal with 0x; nothing else, so that a typo is not taken
// for another number.
std::optional<unsigned long> ParseNumber(std::wstring_view text, unsigned long max) {
  const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
  const std::wstring digits(hex ? text.substr(2) : text);
  if (digits.empty()) return std::nullopt;
  for (const wchar_t c : digits) {
    if (!(hex ? iswxdigit(c) : iswdigit(c))) return std::nullopt;
  }
  errno = 0;
  const unsigned long value = wcstoul(digits.c_str(), nullptr, hex ? 16 : 10);
  if (errno != 0 || value > max) return std::nullopt;
  return value;
}

bool ParseOptions(int count, wchar_t** args, Options& options, std::wstring& error) {
  auto take = [&](int i, int needed) {
    if (i + needed >= count) {
      error = std::wstring(args[i]) + L" needs " + std::to_wstring(needed) + L" value(s)";
      return false;
    }
    return true;
  };
  for (int i = 1; i < count; ++i) {
    const std::wstring_view arg = args[i];
    if (arg == L"--register" || arg == L"--unregister") {
      if (options.action != Options::Action::kServe) {
        error = L"--register and --unregister exclude each other";
        return false;
      }
      options.action =
          arg == L"--register" ? Options::Action::kRegister : Options::Action::kUnregister;
    } else if (EqualNoCase(arg, L"-Embedding") || EqualNoCase(arg, L"/Embedding")) {
      // Started by COM for a client: run as usual.
    } else if (arg == L"--log") {
      if (!take(i, 1)) return false;
      options.log_path = args[++i];
    } else if (arg == L"--typelib") {
      if (!take(i, 1)) return false;
      const std::wstring_view value = args[++i];
      if (value != L"1" && value != L"2" && value != L"none") {
        error = L"--typelib: 1, 2 or none";
        return false;
      }
      options.typelib = value == L"none" ? 0 : value[0] - L'0';
    } else if (arg == L"--title") {
      if (!take(i, 1)) return false;
      options.title = args[++i];
    } else if (arg == L"--fail") {
      if (!take(i, 3)) return false;
      const std::optional<unsigned long> member = ParseNumber(args[i + 1], 0xFFFFFFFF);
      const std::optional<unsigned long> code = ParseNumber(args[i + 2], 0xFFFF);
      if (!member || (*member != 158 && *member != 159)) {
        error = L"--fail: the member must be 158 or 159";
        return false;
      }
      if (!code) {
        error = L"--fail: the code must be a number from 0 to 65535";
        return false;
      }
      (*member == 158 ? options.fail_158 : options.fail_159) =
          RaisedError{static_cast<WORD>(*code), args[i + 3]};
      i += 3;
    } else if (arg == L"--stall") {
      if (!take(i, 1)) return false;
      const std::optional<unsigned long> member = ParseNumber(args[++i], 0xFFFFFFFF);
      if (!member || (*member != 158 && *member != 159)) {
        error = L"--stall: the member must be 158 or 159";
        return false;
      }
      options.stall = static_cast<DISPID>(*member);
    } else if (arg == L"--busy" || arg == L"--busy-after-158") {
      if (!take(i, 1)) return false;
      const std::optional<unsigned long> ms = ParseNumber(args[i + 1], 24 * 3600 * 1000);
      if (!ms) {
        error = std::wstring(arg) + L": milliseconds, at most a day";
        return false;
      }
      (arg == L"--busy" ? options.busy : options.busy_after_158) = *ms;
      ++i;
    } else if (arg == L"--no-window") {
      options.no_window = true;
    } else if (arg == L"--no-interface") {
      options.no_interface = true;
    } else if (arg == L"--minimized") {
      options.minimized = true;
    } else {
      error = L"unknown option " + std::wstring(arg);
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Registration, per user, under HKCU\Software\Classes

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// A tree of class registrations: the user's own, or HKEY_CLASSES_ROOT.
struct ClassesRoot {
  HKEY key;
  const wchar_t* prefix;
  const wchar_t* hive;  // for messages
};
const ClassesRoot kUserClasses{HKEY_CURRENT_USER, L"Software\\Classes\\", L"HKCU"};
const ClassesRoot kClassesRoot{HKEY_CLASSES_ROOT, L"", L"HKCR"};

std::wstring ClassKey(const ClassesRoot& root) {
  return root.prefix + (L"CLSID\\" + GuidText(CLSID_ZeploProgram));
}

std::wstring ProgIdKey(const ClassesRoot& root) {
  return root.prefix + std::wstring(kProgId);
}

LSTATUS SetDefault(HKEY root, const std::wstring& subkey, const std::wstring& value) {
  UniqueKey key;
  LSTATUS status = RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                   key.put(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExW(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring ReadDefault(HKEY root, const std::wstring& subkey) {
  DWORD size = 0;
  if (RegGetValueW(root, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  std::wstring value(size / sizeof(wchar_t), L'\0');
  if (RegGetValueW(root, subkey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  value.resize(wcsnlen(value.c_str(), value.size()));
  return value;
}

LSTATUS DeleteTree(HKEY root, const std::wstring& subkey) {
  const LSTATUS status = RegDeleteTreeW(root, subkey.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

// The program a LocalServer32 command line starts: quoted or not, without arguments.
std::wstring ServerOf(const std::wstring& command) {
  if (!command.empty() && command[0] == L'"') {
    const size_t close = command.find(L'"', 1);
    return command.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
  }
  for (size_t i = 0; i + 4 <= command.size(); ++i) {
    if (EqualNoCase(std::wstring_view(command).substr(i, 4), L".exe")) {
      return command.substr(0, i + 4);
    }
  }
  return command;
}

// The CAD application registers the same class and type library. A registration
// that names an existing program other than a demo host is the real host's: the
// demo host neither replaces nor removes it, or the user's installation would
// stop working. Any copy of the demo host, or a program that is gone, may be
// replaced.
bool BelongsToAnotherProgram(const std::wstring& path) {
  if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  const size_t slash = path.find_last_of(L"\\/");
  const std::wstring_view name =
      std::wstring_view(path).substr(slash == std::wstring::npos ? 0 : slash + 1);
  return !EqualNoCase(name, kExeName);
}

std::wstring RegisteredServer(const ClassesRoot& root) {
  return ServerOf(ReadDefault(root.key, ClassKey(root) + L"\\LocalServer32"));
}

// Windows shows the user's classes in HKEY_CLASSES_ROOT; Wine 8 shows only the
// machine's there, and its COM looks nowhere else. Where that is so, the class is
// registered in HKEY_CLASSES_ROOT as well, or COM would not find it.
bool ClassesRootShowsUserClasses() {
  // The parent first, and not volatile: a fresh Wine prefix has no
  // HKCU\Software\Classes, and one created volatile along with the probe would
  // refuse the lasting keys written below it.
  UniqueKey classes;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_CREATE_SUB_KEY,
                      nullptr, classes.put(), nullptr) != ERROR_SUCCESS) {
    return true;  // cannot tell; registration reports what fails
  }
  const std::wstring probe = L"ZeploDemoHost.Probe." + std::to_wstring(GetCurrentProcessId());
  UniqueKey created;
  if (RegCreateKeyExW(classes.get(), probe.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_READ,
                      nullptr, created.put(), nullptr) != ERROR_SUCCESS) {
    return true;
  }
  UniqueKey seen;
  const bool shown =
      RegOpenKeyExW(HKEY_CLASSES_ROOT, probe.c_str(), 0, KEY_READ, seen.put()) == ERROR_SUCCESS;
  RegDeleteKeyW(classes.get(), probe.c_str());
  return shown;
}

std::vector<ClassesRoot> RootsToRegisterIn() {
  std::vector<ClassesRoot> roots{kUserClasses};
  if (!ClassesRootShowsUserClasses()) roots.push_back(kClassesRoot);
  return roots;
}

struct OwnTypeLib {
  ComPtr<ITypeLib> library;
  TLIBATTR attributes{};
};

// The release's type library, resource `number` of the exe.
HRESULT LoadOwnTypeLib(const std::wstring& exe, int number, OwnTypeLib& own) {
  const std::wstring resource = exe + L"\\" + std::to_wstring(number);
  HRESULT hr = LoadTypeLibEx(resource.c_str(), REGKIND_NONE, &own.library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attributes = nullptr;
  hr = own.library->GetLibAttr(&attributes);
  if (FAILED(hr)) return hr;
  own.attributes = *attributes;
  own.library->ReleaseTLibAttr(attributes);
  return S_OK;
}

// Registering and unregistering both need the library; without it they stop.
bool LoadOwnTypeLibOrReport(EventLog& log, const std::wstring& exe, int number, OwnTypeLib& own) {
  const HRESULT hr = LoadOwnTypeLib(exe, number, own);
  if (FAILED(hr))
    ReportError(log, L"cannot load the type library in " + exe + L": " + HresultText(hr));
  return SUCCEEDED(hr);
}

std::wstring RegisteredTypeLibPath(const TLIBATTR& attributes) {
  Bstr path;
  if (FAILED(QueryPathOfRegTypeLib(attributes.guid, attributes.wMajorVerNum,
                                   attributes.wMinorVerNum, attributes.lcid, path.put()))) {
    return {};
  }
  return path.str();
}

void RemoveClass(const std::vector<ClassesRoot>& roots) {
  for (const ClassesRoot& root : roots) {
    DeleteTree(root.key, ClassKey(root));
    DeleteTree(root.key, ProgIdKey(root));
  }
}

std::wstring TypeLibOption(int typelib) {
  return typelib == 0 ? L"none" : std::to_wstring(typelib);
}

// Registers the class served by this exe with the release `typelib` (0: none),
// which COM passes on when it starts the host.
int Register(EventLog& log, int typelib) {
  const std::wstring exe = ModulePath();
  OwnTypeLib own;
  if (typelib != 0 && !LoadOwnTypeLibOrReport(log, exe, typelib, own)) return kFailed;
  const std::vector<ClassesRoot> roots = RootsToRegisterIn();
  for (const ClassesRoot& root : roots) {
    if (const std::wstring current = RegisteredServer(root); BelongsToAnotherProgram(current)) {
      ReportError(log, std::wstring(kProgId) + L" is registered in " + root.hive + L" for " +
                           current + L"; not replacing that registration");
      return kFailed;
    }
  }
  // An earlier registration's type library must not outlive a change of release.
  RemoveClass(roots);

  const std::wstring clsid = GuidText(CLSID_ZeploProgram);
  const TLIBATTR& a = own.attributes;
  wchar_t version[16] = {};
  wsprintfW(version, L"%x.%x", a.wMajorVerNum, a.wMinorVerNum);
  for (const ClassesRoot& root : roots) {
    std::vector<std::pair<std::wstring, std::wstring>> values = {
        {ProgIdKey(root), kProgId},
        {ProgIdKey(root) + L"\\CLSID", clsid},
        {ClassKey(root), kProgId},
        {ClassKey(root) + L"\\LocalServer32",
         L"\"" + exe + L"\" --typelib " + TypeLibOption(typelib)},
        {ClassKey(root) + L"\\ProgID", kProgId},
    };
    if (typelib != 0) {
      values.emplace_back(ClassKey(root) + L"\\TypeLib", GuidText(a.guid));
      values.emplace_back(ClassKey(root) + L"\\Version", version);
    }
    for (const auto& [key, value] : values) {
      if (const LSTATUS status = SetDefault(root.key, key, value); status != ERROR_SUCCESS) {
        ReportError(log, L"cannot write " + std::wstring(root.hive) + L"\\" + key + L": error " +
                             std::to_wstring(status));
        RemoveClass(roots);
        return kFailed;
      }
    }
  }
  if (typelib == 0) return kOk;

  // Out of process, COM marshals IZeploProgram only with its type library registered.
  if (BelongsToAnotherProgram(RegisteredTypeLibPath(a))) {
    return kOk;  // the same library, in the CAD application's copy
  }
  std::wstring path = exe + L"\\" + std::to_wstring(typelib);
  if (const HRESULT hr = RegisterTypeLibForUser(own.library.Get(), path.data(), nullptr);
      FAILED(hr)) {
    ReportError(log, L"cannot register the type library: " + HresultText(hr));
    RemoveClass(roots);
    return kFailed;
  }
  return kOk;
}

int Unregister(EventLog& log) {
  const std::wstring exe = ModulePath();
  int result = kOk;
  for (const ClassesRoot& root : RootsToRegisterIn()) {
    if (BelongsToAnotherProgram(RegisteredServer(root))) continue;
    for (const std::wstring& key : {ClassKey(root), ProgIdKey(root)}) {
      if (const LSTATUS status = DeleteTree(root.key, key); status != ERROR_SUCCESS) {
        ReportError(log, L"cannot remove " + std::wstring(root.hive) + L"\\" + key + L": error " +
                             std::to_wstring(status));
        result = kFailed;
      }
    }
  }
  for (int typelib : {1, 2}) {
    OwnTypeLib own;
    if (!LoadOwnTypeLibOrReport(log, exe, typelib, own)) return kFailed;
    const std::wstring registered = RegisteredTypeLibPath(own.attributes);
    if (registered.empty() || BelongsToAnotherProgram(registered)) continue;
    const TLIBATTR& a = own.attributes;
    if (const HRESULT hr =
            UnRegisterTypeLibForUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
        FAILED(hr)) {
      ReportError(log, L"cannot unregister the type library: " + HresultText(hr));
      result = kFailed;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// The host window

class HostWindow final : public demo_host::EventSink {
 public:
  explicit HostWindow(EventLog& log) : log_(log) {}
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  ~HostWindow() {
    if (window_) DestroyWindow(window_);
  }

  bool Create(HINSTANCE instance, const std::wstring& title) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &HostWindow::Procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&window_class)) return false;
    CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                    CW_USEDEFAULT, 420, 300, nullptr, nullptr, instance, this);
    return window_ && list_;
  }

  HWND handle() const { return window_; }

  // Revoked when the window closes, before anything else: from then on COM starts
  // a new host for new clients instead of handing them one that is going away.
  void AdoptClassObject(DWORD cookie) { class_cookie_ = cookie; }

  void Record(std::wstring_view log_line, std::wstring_view list_row) noexcept override {
    log_.Write(log_line);
    if (!list_) return;
    try {
      const std::wstring row(list_row);
      const LRESULT index =
          SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
      if (index >= 0) SendMessageW(list_, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    } catch (const std::bad_alloc&) {
      // The row is lost; the log line is written.
    }
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
      auto* self =
          static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      self->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wparam, lparam)
                : DefWindowProcW(window, message, wparam, lparam);
  }

  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    switch (message) {
      case WM_CREATE:
        list_ = CreateWindowExW(0, L"LISTBOX", nullptr,
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
                                0, window_, nullptr, nullptr, nullptr);
        if (!list_) return -1;
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
        return 0;
      case WM_SIZE: MoveWindow(list_, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE); return 0;
      case WM_SETFOCUS: SetFocus(list_); return 0;
      case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) Record(L"activated", L"activated");
        break;
      case WM_CLOSE:
        RevokeClassObject();
        DestroyWindow(window_);
        return 0;
      case WM_DESTROY:
        RevokeClassObject();
        list_ = nullptr;
        PostQuitMessage(0);
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        window_ = nullptr;
        break;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
  }

  void RevokeClassObject() noexcept {
    if (class_cookie_) CoRevokeClassObject(*class_cookie_);
    class_cookie_.reset();
  }

  EventLog& log_;
  HWND window_ = nullptr;
  HWND list_ = nullptr;
  std::optional<DWORD> class_cookie_;
};

// The interface the release serves: its class's first implemented type. Without
// a type library (or when it cannot be read) the object offers IDispatch alone.
void LoadServedInterface(int typelib, ServerContext& context) {
  OwnTypeLib own;
  ComPtr<ITypeInfo> coclass;
  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> info;
  TYPEATTR* attributes = nullptr;
  if (typelib == 0 || FAILED(LoadOwnTypeLib(ModulePath(), typelib, own)) ||
      FAILED(own.library->GetTypeInfoOfGuid(CLSID_ZeploProgram, &coclass)) ||
      FAILED(coclass->GetRefTypeOfImplType(0, &reference)) ||
      FAILED(coclass->GetRefTypeInfo(reference, &info)) || FAILED(info->GetTypeAttr(&attributes))) {
    return;
  }
  context.interface_id = attributes->guid;
  info->ReleaseTypeAttr(attributes);
  context.type_info = info;
}

int RunServer(HINSTANCE instance, int show, const Options& options, HostWindow& window,
              ServerContext& context, EventLog& log) {
  LoadServedInterface(options.typelib, context);
  // The window exists before the class object is registered: a client that has
  // created an object finds the host's window at once.
  if (!window.Create(instance, options.no_window ? kHiddenTitle : options.title)) {
    ReportError(log, L"cannot create the window: error " + std::to_wstring(GetLastError()));
    return kFailed;
  }
  if (!options.no_window) {
    ShowWindow(window.handle(), options.minimized ? SW_SHOWMINNOACTIVE : show);
  }

  // Registered before the class object, so that even the first call of a
  // client can be turned away; revoked with the apartment.
  ComPtr<IMessageFilter> filter = demo_host::MakeBusyFilter(context);
  if (!filter || FAILED(CoRegisterMessageFilter(filter.Get(), nullptr))) {
    ReportError(log, L"cannot register the message filter");
    return kFailed;
  }
  ComPtr<IClassFactory> factory = demo_host::MakeClassFactory(context);
  if (!factory) return kFailed;
  DWORD cookie = 0;
  if (const HRESULT hr = CoRegisterClassObject(CLSID_ZeploProgram, factory.Get(),
                                               CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie);
      FAILED(hr)) {
    ReportError(log, L"CoRegisterClassObject failed: " + HresultText(hr));
    return kFailed;
  }
  window.AdoptClassObject(cookie);
  window.Record(L"ready", L"ready");

  MSG message;
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return kFailed;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return kOk;
}

int Serve(HINSTANCE instance, int show, const Options& options, EventLog& log) {
  // Declared before the apartment: objects that clients still hold are released
  // by CoUninitialize and report to the window and the log.
  HostWindow window(log);
  ServerContext context;
  context.answer_diid = !options.no_interface;
  context.fail_158 = options.fail_158;
  context.fail_159 = options.fail_159;
  context.stall = options.stall;
  context.busy_until = options.busy ? GetTickCount64() + options.busy : 0;
  context.busy_after_158 = options.busy_after_158;
  context.sink = &window;
  int result = kOk;
  {
    Apartment apartment;
    if (FAILED(apartment.result())) {
      ReportError(log, L"CoInitializeEx failed: " + HresultText(apartment.result()));
      return kFailed;
    }
    result = RunServer(instance, show, options, window, context, log);
    CoRegisterMessageFilter(nullptr, nullptr);
    context.type_info.Reset();  // oleaut32 objects go before CoUninitialize
  }
  window.Record(L"exit", L"exit");
  return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  int count = 0;
  const std::unique_ptr<wchar_t*, LocalFreeDeleter> args(
      CommandLineToArgvW(GetCommandLineW(), &count));
  EventLog log;
  if (!args) {
    ReportError(log, L"cannot read the command line");
    return kBadUsage;
  }
  Options options;
  std::wstring error;
  if (!ParseOptions(count, args.get(), options, error)) {
    ReportError(log, error + L"\n" + kUsage);
    return kBadUsage;
  }
  if (!options.log_path.empty()) {
    if (const DWORD status = log.Open(options.log_path); status != ERROR_SUCCESS) {
      ReportError(
          log, L"cannot open the log " + options.log_path + L": error " + std::to_wstring(status));
      return kFailed;
    }
  }
  switch (options.action) {
    case Options::Action::kRegister: {
      Apartment apartment;
      return Register(log, options.typelib);
    }
    case Options::Action::kUnregister: {
      Apartment apartment;
      return Unregister(log);
    }
    case Options::Action::kServe: break;
  }
  return Serve(instance, show, options, log);
}
