// ZeploDemoHost as the picker's end-to-end tests use it: started with a log,
// reached through COM by its ProgID, watched through its window and log.

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <initguid.h>
#include "text.h"
#include "zeplo_program.h"

namespace {

using demo_host::GuidText;
using demo_host::Utf8;
using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kTimeout = 10s;
constexpr DISPID kConfiguration = 158;
constexpr DISPID kStyle = 159;

// ---------------------------------------------------------------------------
// Text and paths

std::wstring OwnDirectory() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring directory(path, length);
  return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

std::wstring HostPath() {
  return OwnDirectory() + L"ZeploDemoHost.exe";
}

std::wstring OwnPath() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  return std::wstring(path, length);
}

// Quoting that CommandLineToArgvW undoes.
std::wstring Quote(std::wstring_view argument) {
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::wstring ClassKey() {
  return L"Software\\Classes\\CLSID\\" + GuidText(CLSID_ZeploProgram);
}

// ---------------------------------------------------------------------------
// Processes, windows, log

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Handle& operator=(Handle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// Keeps this thread's windows responsive while a test waits for another process.
void PumpFor(std::chrono::milliseconds time) {
  const auto end = Clock::now() + time;
  do {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    Sleep(10);
  } while (Clock::now() < end);
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = kTimeout) {
  const auto end = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() > end) return false;
    PumpFor(10ms);
  }
  return true;
}

std::vector<HWND> TopLevelWindowsOf(DWORD process_id) {
  std::pair<DWORD, std::vector<HWND>> search{process_id, {}};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& [id, found] = *reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == id) found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.second;
}

DWORD ProcessOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return id;
}

// A host process, closed the way a user closes it (WM_CLOSE to its windows) when
// the test ends. Killing it instead would leave its class object registered and
// the Wine session answering RPC_S_SERVER_UNAVAILABLE.
class Host {
 public:
  explicit Host(std::initializer_list<std::wstring> arguments) {
    std::wstring command = Quote(HostPath());
    for (const std::wstring& argument : arguments) command += L" " + Quote(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(HostPath().c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &info)) {
      CloseHandle(info.hThread);
      process_ = Handle(info.hProcess);
      id_ = info.dwProcessId;
    }
  }
  // A host that COM started, found through its window.
  explicit Host(HWND window)
      : process_(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ProcessOf(window))),
        id_(ProcessOf(window)) {}
  Host(Host&&) = default;
  ~Host() {
    if (process_.get() && !Close()) TerminateProcess(process_.get(), 99);
  }

  bool started() const { return process_.get() != nullptr; }
  DWORD id() const { return id_; }
  std::vector<HWND> windows() const { return TopLevelWindowsOf(id_); }

  // Returns the exit code, or nothing if the host did not end in time.
  std::optional<DWORD> Close() {
    for (HWND window : windows()) PostMessageW(window, WM_CLOSE, 0, 0);
    return WaitForExit();
  }

  std::optional<DWORD> WaitForExit() {
    if (!WaitUntil([&] { return WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; })) {
      return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    process_ = Handle();
    return code;
  }

 private:
  Handle process_;
  DWORD id_ = 0;
};

// Runs the host for one action, such as --register, and returns its exit code.
std::optional<DWORD> RunHost(std::initializer_list<std::wstring> arguments) {
  Host host(arguments);
  if (!host.started()) return std::nullopt;
  return host.WaitForExit();
}

// The host's log, in a file of its own for each test.
class Log {
 public:
  Log() {
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(static_cast<DWORD>(std::size(directory)), directory);
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = test->name();  // ASCII, as every test name
    path_ = std::wstring(directory) + L"demo_host_" + std::wstring(name.begin(), name.end()) +
            L"_" + std::to_wstring(GetCurrentProcessId()) + L".log";
    DeleteFileW(path_.c_str());
  }
  Log(const Log&) = delete;
  Log& operator=(const Log&) = delete;
  ~Log() {
    if (testing::Test::HasFailure()) {
      std::printf("host log:\n");
      for (const std::string& line : Lines()) std::printf("  %s\n", line.c_str());
    }
    DeleteFileW(path_.c_str());
  }

  const std::wstring& path() const { return path_; }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    Handle file(CreateFileW(path_.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return lines;
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
      text.append(buffer, read);
    }
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  // The lines without "activated": activation depends on the desktop, not on calls.
  std::vector<std::string> Events() const {
    std::vector<std::string> lines = Lines();
    std::erase(lines, "activated");
    return lines;
  }

  size_t Count(std::string_view line) const {
    const std::vector<std::string> lines = Lines();
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
  }

  bool WaitFor(std::string_view line, size_t occurrences = 1) const {
    return WaitUntil([&] { return Count(line) >= occurrences; });
  }

 private:
  std::wstring path_;
};

// ---------------------------------------------------------------------------
// Automation

HRESULT CreateByProgId(ComPtr<IUnknown>& object) {
  CLSID clsid{};
  if (const HRESULT hr = CLSIDFromProgID(L"ZeploProgram", &clsid); FAILED(hr)) return hr;
  return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&object));
}

HRESULT Call(IDispatch* program, DISPID member, std::vector<VARIANT> arguments,
             EXCEPINFO* exception = nullptr) {
  // DISPPARAMS takes the arguments last to first; all calls here have at most one
  // that matters, the rest only count.
  DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
  const HRESULT hr = program->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                     &params, nullptr, exception, nullptr);
  for (VARIANT& argument : arguments) VariantClear(&argument);
  return hr;
}

VARIANT Text(std::wstring_view text) {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_BSTR;
  V_BSTR(&value) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return value;
}

HRESULT CallWithPath(IDispatch* program, DISPID member, std::wstring_view path,
                     EXCEPINFO* exception = nullptr) {
  return Call(program, member, {Text(path)}, exception);
}

// How the picker reaches the host: by ProgID, then the host's own interface.
ComPtr<IDispatch> ConnectToHost() {
  ComPtr<IUnknown> object;
  EXPECT_EQ(CreateByProgId(object), S_OK);
  ComPtr<IDispatch> program;
  if (object) {
    EXPECT_EQ(object->QueryInterface(DIID_IZeploProgram, &program), S_OK);
  }
  return program;
}

class DemoHost : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    initialized_ = true;
  }
  void TearDown() override {
    if (initialized_) CoUninitialize();
  }

 private:
  bool initialized_ = false;
};

const std::wstring kConfigurationPath = L"C:\\ProgramData\\L-VORDANS\\MORKA\\Plotter Küche\\p1";
const std::wstring kStylePath = L"C:\\ProgramData\\L-VORDANS\\MORKA\\Stile\\p1.stil";

// ---------------------------------------------------------------------------

TEST_F(DemoHost, ChecksAndConvertsArguments) {
  Log log;
  Host host({L"--log", log.path()});
  ASSERT_TRUE(log.WaitFor("ready"));
  ComPtr<IDispatch> program = ConnectToHost();
  ASSERT_TRUE(program);

  EXPECT_EQ(Call(program.Get(), kConfiguration, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(program.Get(), kStyle, {Text(L"a"), Text(L"b")}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(CallWithPath(program.Get(), 160, kStylePath), DISP_E_MEMBERNOTFOUND);

  // By reference, as VBA passes a String variable.
  BSTR path = SysAllocString(kStylePath.c_str());
  VARIANT by_reference;
  VariantInit(&by_reference);
  V_VT(&by_reference) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&by_reference) = &path;
  EXPECT_EQ(Call(program.Get(), kStyle, {by_reference}), S_OK);
  SysFreeString(path);

  VARIANT number;
  VariantInit(&number);
  V_VT(&number) = VT_I4;
  V_I4(&number) = 42;
  EXPECT_EQ(Call(program.Get(), kConfiguration, {number}), S_OK);

  // A line break in a path must not start a line of its own in the log.
  EXPECT_EQ(CallWithPath(program.Get(), kConfiguration, L"C:\\p1\r\nreleased live=0"), S_OK);
  program.Reset();
  ASSERT_TRUE(log.WaitFor("released live=0"));
  EXPECT_EQ(host.Close(), 0u);

  const std::vector<std::string> expected = {"ready",
                                             "created live=1",
                                             "159 " + Utf8(kStylePath),
                                             "158 42",
                                             "158 C:\\p1??released live=0",
                                             "released live=0",
                                             "exit"};
  EXPECT_EQ(log.Events(), expected);
}

TEST_F(DemoHost, RejectsUnusableFailOptions) {
  EXPECT_EQ(RunHost({L"--fail", L"160", L"1", L"x"}), 2u);
  EXPECT_EQ(RunHost({L"--fail", L"158", L"65536", L"x"}), 2u);
  EXPECT_EQ(RunHost({L"--fail", L"158", L"1"}), 2u);
}

TEST_F(DemoHost, MorkaWindowListsEventsAndLogsActivation) {
  Log log;
  Host host({L"--log", log.path()});
  ASSERT_TRUE(log.WaitFor("ready"));
  const HWND morka = FindWindowW(nullptr, L"MORKA");
  ASSERT_NE(morka, nullptr);
  EXPECT_EQ(ProcessOf(morka), host.id());
  EXPECT_TRUE(IsWindowVisible(morka));
  EXPECT_FALSE(IsIconic(morka));

  ComPtr<IDispatch> program = ConnectToHost();
  ASSERT_TRUE(program);
  ASSERT_EQ(CallWithPath(program.Get(), kConfiguration, kConfigurationPath), S_OK);
  const HWND list = FindWindowExW(morka, nullptr, L"ListBox", nullptr);
  ASSERT_NE(list, nullptr);
  const LRESULT rows = SendMessageW(list, LB_GETCOUNT, 0, 0);
  ASSERT_GE(rows, 1);
  wchar_t row[512] = {};
  ASSERT_LT(SendMessageW(list, LB_GETTEXTLEN, rows - 1, 0), static_cast<LRESULT>(std::size(row)));
  SendMessageW(list, LB_GETTEXT, rows - 1, reinterpret_cast<LPARAM>(row));
  EXPECT_EQ(std::wstring(row), L"158  " + kConfigurationPath);

  // As the picker does after its calls: bring MORKA to the front from another window.
  const HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                     200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(other);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }));
  const size_t activations = log.Count("activated");
  SetForegroundWindow(morka);
  EXPECT_TRUE(log.WaitFor("activated", activations + 1));
  DestroyWindow(other);

  program.Reset();
  EXPECT_EQ(host.Close(), 0u);
}

TEST_F(DemoHost, ComStartsTheRegisteredHostWhenNoneRuns) {
  ASSERT_EQ(FindWindowW(nullptr, L"MORKA"), nullptr) << "a host from elsewhere is running";
  const auto start = Clock::now();
  ComPtr<IDispatch> program = ConnectToHost();
  const auto connected = Clock::now();
  ASSERT_TRUE(program);
  std::printf(
      "connecting with COM starting the host took %lld ms\n",
      static_cast<long long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(connected - start).count()));

  // The window exists by the time creation returns.
  const HWND morka = FindWindowW(nullptr, L"MORKA");
  ASSERT_NE(morka, nullptr);
  Host host(morka);
  EXPECT_EQ(CallWithPath(program.Get(), kConfiguration, kConfigurationPath), S_OK);
  program.Reset();
  EXPECT_EQ(host.Close(), 0u);
}

// Puts the demo host's registration back, whatever a test did to it.
class RestoreRegistration {
 public:
  ~RestoreRegistration() {
    RegDeleteTreeW(HKEY_CURRENT_USER, ClassKey().c_str());
    RunHost({L"--register"});
  }
};

std::wstring LocalServer() {
  wchar_t value[MAX_PATH * 2] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_CURRENT_USER, (ClassKey() + L"\\LocalServer32").c_str(), nullptr,
                   RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return {};
  }
  return value;
}

bool TypeLibRegistered() {
  ComPtr<ITypeLib> library;
  return SUCCEEDED(LoadRegTypeLib(LIBID_ZeploHostLib, 1, 0, 0, &library));
}

bool InterfaceRegistered() {
  HKEY key = nullptr;
  const std::wstring name = L"Interface\\" + GuidText(DIID_IZeploProgram) + L"\\TypeLib";
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

TEST_F(DemoHost, UnregisterRemovesWhatRegisterWrites) {
  RestoreRegistration restore;
  ASSERT_EQ(RunHost({L"--unregister"}), 0u);
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(L"ZeploProgram", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(LocalServer(), L"");
  EXPECT_FALSE(TypeLibRegistered());
  EXPECT_FALSE(InterfaceRegistered());
  EXPECT_EQ(RunHost({L"--unregister"}), 0u) << "nothing left to remove is no failure";

  ASSERT_EQ(RunHost({L"--register"}), 0u);
  EXPECT_EQ(CLSIDFromProgID(L"ZeploProgram", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ZeploProgram);
  EXPECT_EQ(LocalServer(), L"\"" + HostPath() + L"\"");
  EXPECT_TRUE(TypeLibRegistered());
  EXPECT_TRUE(InterfaceRegistered());
}

// The CAD application registers the same class; the demo host must not break it.
TEST_F(DemoHost, LeavesAnotherProgramsRegistrationAlone) {
  RestoreRegistration restore;
  const std::wstring other = L"\"" + OwnPath() + L"\" /automation";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (ClassKey() + L"\\LocalServer32").c_str(), 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                 static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);

  EXPECT_EQ(RunHost({L"--register"}), 1u);
  EXPECT_EQ(LocalServer(), other);
  EXPECT_EQ(RunHost({L"--unregister"}), 0u);
  EXPECT_EQ(LocalServer(), other);
}

}  // namespace
