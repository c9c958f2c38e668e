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
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <initguid.h>
#include "tests/support/demo_host.h"
#include "tests/support/zeplo_demo_host/text.h"
#include "zeplo_host.h"

namespace {

using demo_host::GuidText;
using demo_host::Utf8;
using Microsoft::WRL::ComPtr;
using wendrake::e2e::DemoHost;
using wendrake::e2e::Process;
using Clock = std::chrono::steady_clock;

constexpr DISPID kConfiguration = 158;
constexpr DISPID kStyle = 159;

std::wstring OwnPath() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  return std::wstring(path, length);
}

std::wstring ClassKey() {
  return L"Software\\Classes\\CLSID\\" + GuidText(CLSID_ZeploProgram);
}

// Waits with this thread's windows kept responsive, for activation between
// them and the host's.
bool WaitPumping(const std::function<bool()>& condition) {
  return wendrake::e2e::WaitFor([&] {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return condition();
  });
}

// The log without "activated": activation depends on the desktop, not on calls.
std::vector<std::string> Events(const DemoHost& host) {
  std::vector<std::string> lines = host.Log();
  std::erase(lines, "activated");
  return lines;
}

size_t Count(const DemoHost& host, std::string_view line) {
  const std::vector<std::string> lines = host.Log();
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

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

class DemoHostTest : public testing::Test {
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

TEST_F(DemoHostTest, ChecksAndConvertsArguments) {
  DemoHost host;
  ASSERT_TRUE(host.WaitForLines("ready"));
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
  ASSERT_TRUE(host.WaitForLines("released live=0"));
  EXPECT_EQ(host.Close(), 0u);

  const std::vector<std::string> expected = {"ready",
                                             "created live=1",
                                             "159 " + Utf8(kStylePath),
                                             "158 42",
                                             "158 C:\\p1??released live=0",
                                             "released live=0",
                                             "exit"};
  EXPECT_EQ(Events(host), expected);
}

TEST_F(DemoHostTest, RejectsUnusableFailOptions) {
  EXPECT_EQ(DemoHost::Run(L"--fail 160 1 x"), 2u);
  EXPECT_EQ(DemoHost::Run(L"--fail 158 65536 x"), 2u);
  EXPECT_EQ(DemoHost::Run(L"--fail 158 1"), 2u);
}

TEST_F(DemoHostTest, MorkaWindowListsEventsAndLogsActivation) {
  DemoHost host;
  ASSERT_TRUE(host.WaitForLines("ready"));
  const HWND morka = FindWindowW(nullptr, L"MORKA");
  ASSERT_NE(morka, nullptr);
  EXPECT_EQ(host.MainWindow(), morka);
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
  ASSERT_TRUE(WaitPumping([&] { return GetForegroundWindow() == other; }));
  const size_t activations = Count(host, "activated");
  SetForegroundWindow(morka);
  EXPECT_TRUE(WaitPumping([&] { return Count(host, "activated") > activations; }));
  DestroyWindow(other);

  program.Reset();
  EXPECT_EQ(host.Close(), 0u);
}

TEST_F(DemoHostTest, ComStartsTheRegisteredHostWhenNoneRuns) {
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
  DWORD id = 0;
  GetWindowThreadProcessId(morka, &id);
  Process host = Process::Attach(id);
  EXPECT_EQ(CallWithPath(program.Get(), kConfiguration, kConfigurationPath), S_OK);
  program.Reset();
  EXPECT_EQ(host.Close(), 0u);
}

// Puts the demo host's registration back, whatever a test did to it.
class RestoreRegistration {
 public:
  ~RestoreRegistration() {
    RegDeleteTreeW(HKEY_CURRENT_USER, ClassKey().c_str());
    DemoHost::Run(L"--register");
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

TEST_F(DemoHostTest, UnregisterRemovesWhatRegisterWrites) {
  RestoreRegistration restore;
  ASSERT_EQ(DemoHost::Run(L"--unregister"), 0u);
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(L"ZeploProgram", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(LocalServer(), L"");
  EXPECT_FALSE(TypeLibRegistered());
  EXPECT_FALSE(InterfaceRegistered());
  EXPECT_EQ(DemoHost::Run(L"--unregister"), 0u) << "nothing left to remove is no failure";

  ASSERT_EQ(DemoHost::Run(L"--register"), 0u);
  EXPECT_EQ(CLSIDFromProgID(L"ZeploProgram", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_ZeploProgram);
  EXPECT_EQ(LocalServer(), L"\"" + DemoHost::Exe() + L"\" --typelib 1");
  EXPECT_TRUE(TypeLibRegistered());
  EXPECT_TRUE(InterfaceRegistered());
}

// The CAD application registers the same class; the demo host must not break it.
TEST_F(DemoHostTest, LeavesAnotherProgramsRegistrationAlone) {
  RestoreRegistration restore;
  const std::wstring other = L"\"" + OwnPath() + L"\" /automation";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (ClassKey() + L"\\LocalServer32").c_str(), 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                 static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);

  EXPECT_EQ(DemoHost::Run(L"--register"), 1u);
  EXPECT_EQ(LocalServer(), other);
  EXPECT_EQ(DemoHost::Run(L"--unregister"), 0u);
  EXPECT_EQ(LocalServer(), other);
}

}  // namespace
