// The demo host's registration beside a real MORKA's: the CAD application
// registers the same class and type library, and the demo host must never
// replace or remove them, or the user's installation would stop working.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/support/demo_host.h"

namespace {

using namespace wendrake::e2e;

const std::wstring kClassKey = L"Software\\Classes\\CLSID\\{F5A1026D-3148-466E-9023-29C7F821A0DB}";
const std::wstring kServerKey = kClassKey + L"\\LocalServer32";
const std::wstring kTypeLibKey = L"TypeLib\\{557DDD30-CE8A-40AE-A5CC-5500F0F57E40}";
const std::wstring kTypeLibPathKey = kTypeLibKey + L"\\1.0\\0\\win64";

std::wstring Value(HKEY root, const std::wstring& key) {
  return RegistryText(root, key, nullptr).value_or(L"");
}

// An existing program that is not a demo host, as the CAD application is.
std::wstring OtherProgram() {
  wchar_t path[MAX_PATH] = {};
  return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

class DemoHostRegistration : public testing::Test {
 protected:
  // Puts the demo host's own registration back, whatever a test did to it.
  void TearDown() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kClassKey.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kTypeLibKey.c_str());
    EXPECT_EQ(DemoHost::Run(L"--register"), 0u);
  }
};

// The CAD application's class, and its type library in a file of its own or
// in its exe: registering over the class fails, over the library (the same
// one) it succeeds; neither is changed or removed.
TEST_F(DemoHostRegistration, LeavesAnotherProgramsClassAndTypeLibraryAlone) {
  using Case = std::tuple<HKEY, std::wstring, std::wstring>;
  for (const auto& [root, key, other] :
       {Case{HKEY_CURRENT_USER, kServerKey, L"\"" + OtherProgram() + L"\" /automation"},
        Case{HKEY_CLASSES_ROOT, kTypeLibPathKey, OtherProgram()},
        Case{HKEY_CLASSES_ROOT, kTypeLibPathKey, OtherProgram() + L"\\1"}}) {
    SCOPED_TRACE(testing::Message() << other);
    TearDown();  // the demo host's own registration again
    ASSERT_TRUE(SetRegistryText(root, key, nullptr, other));
    EXPECT_EQ(DemoHost::Run(L"--register"), key == kServerKey ? 1u : 0u);
    EXPECT_EQ(Value(root, key), other);
    EXPECT_EQ(DemoHost::Run(L"--unregister"), 0u);
    EXPECT_EQ(Value(root, key), other);
  }
}

TEST_F(DemoHostRegistration, UnregisterRemovesWhatRegisterWrote) {
  ASSERT_EQ(DemoHost::Run(L"--register"), 0u);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, kServerKey), L"\"" + DemoHost::Exe() + L"\" --typelib 1");
  EXPECT_NE(Value(HKEY_CLASSES_ROOT, kTypeLibPathKey), L"");

  ASSERT_EQ(DemoHost::Run(L"--unregister"), 0u);
  EXPECT_EQ(Value(HKEY_CURRENT_USER, kServerKey), L"");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"ZeploProgram\\CLSID"), L"");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, kTypeLibPathKey), L"");
  EXPECT_EQ(DemoHost::Run(L"--unregister"), 0u) << "nothing left to remove is no failure";
}

}  // namespace
