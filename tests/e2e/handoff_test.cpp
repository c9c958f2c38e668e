#include <algorithm>
#include <cstdio>

#include "tests/e2e/handoff_fixture.h"

namespace wendrake::e2e {
namespace {

TEST_F(HandOffTest, EachClickHandsTheRowsFilesInOrderActivatesMorkaAndKeepsThePickerOnTop) {
  DemoHost host;
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), HandOff("a1.zpk", "a2.zst"));
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == host.MainWindow(); }, 5000));
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_TRUE(::GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // Duplicate names hand their own row's files; an empty file still a call.
  size_t handOffs = 1;
  for (const int row : {2, 1, 3}) {
    ClickRow(row);
    ASSERT_TRUE(host.WaitForLines("released", ++handOffs));
  }
  Lines expected = HandOff("a1.zpk", "a2.zst");
  for (const Lines& next :
       {HandOff("t1.zpk", "t2.zst"), HandOff("s1.zpk", "s one.zst"), HandOff("n1.zpk", "")}) {
    expected.insert(expected.end(), next.begin(), next.end());
  }
  // Every hand-off creates its own object and releases it before the next.
  EXPECT_EQ(Calls(host), expected);
  EXPECT_FALSE(picker_->WaitForExit(0));
}

std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(static_cast<size_t>(
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// The five ways an editor saves the catalogue.
enum class Saved { kAnsi, kUtf8, kUtf8WithMark, kUtf16LE, kUtf16BE };

std::string Save(const std::wstring& text, Saved how) {
  std::string bytes;
  switch (how) {
    case Saved::kAnsi:
      bytes.resize(text.size());
      ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
      return bytes;
    case Saved::kUtf8: return Utf8(text);
    case Saved::kUtf8WithMark: return "\xEF\xBB\xBF" + Utf8(text);
    case Saved::kUtf16LE:
    case Saved::kUtf16BE:
      const bool big = how == Saved::kUtf16BE;
      bytes = big ? "\xFE\xFF" : "\xFF\xFE";
      for (const wchar_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += big ? std::string{high, low} : std::string{low, high};
      }
      return bytes;
  }
  return bytes;
}

// One catalogue saved in each of the five ways lists the same rows and hands
// MORKA the same files: umlauts in names and files, a name of 15 umlauts run
// straight into its first file, and, beyond the ANSI code page, "Łódź".
TEST_F(HandOffTest, TheCatalogueReadsTheSameHoweverTheEditorSavedIt) {
  const std::wstring fifteen =
      L"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00C4\u00D6\u00DC\u00E4"
      L"\u00F6\u00FC\u00DF\u00C4";
  const std::wstring lodz = L"\u0141\u00F3d\u017A";
  const std::wstring catalogue =
      L"* Plotter \u2013 Stand 12/2026\r\n"
      L"Gr\u00F6\u00DFe A3       pl\u00F6t.zpk            f\u00E4rbe.zst\r\n" +
      fifteen + L"\u00FCber.zpk            gr\u00FC\u00DF.zst\r\n";
  const std::wstring beyondAnsi =
      lodz + L"           " + lodz + L".zpk            " + lodz + L".zst";
  DemoHost host;
  Lines expected;
  for (const Saved how :
       {Saved::kAnsi, Saved::kUtf8, Saved::kUtf8WithMark, Saved::kUtf16LE, Saved::kUtf16BE}) {
    const bool ansi = how == Saved::kAnsi;
    WriteCatalogue(Save(ansi ? catalogue : catalogue + beyondAnsi, how));
    ASSERT_NE(StartPickerWindow(), nullptr);
    std::vector<std::wstring> rows = {L"Gr\u00F6\u00DFe A3", fifteen};
    if (!ansi) rows.push_back(lodz);
    EXPECT_EQ(ListRows(list_), rows) << static_cast<int>(how);
    for (int row = 1; row < static_cast<int>(rows.size()); ++row) {
      ClickRow(row);
      const Lines next = row == 1 ? HandOff(Utf8(L"\u00FCber.zpk"), Utf8(L"gr\u00FC\u00DF.zst"))
                                  : HandOff(Utf8(lodz + L".zpk"), Utf8(lodz + L".zst"));
      expected.insert(expected.end(), next.begin(), next.end());
      ASSERT_TRUE(host.WaitForLines("released", expected.size() / 4));
    }
    EXPECT_EQ(picker_->Close(), 0u);
  }
  EXPECT_EQ(Calls(host), expected);
}

TEST_F(HandOffTest, KeyboardSelectionHandsOffToo) {
  DemoHost host;
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released", 1));
  // Back to the picker by a click on its margin below the list.
  Click(ScreenPoint(window_, POINT{40, ClientRect(window_).bottom - 2}));
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == window_; }, 3000));
  PressKey(VK_DOWN);
  ASSERT_TRUE(host.WaitForLines("released", 2));
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(Calls(host).at(5), "158 " + HostDataPath("s1.zpk"));
}

TEST_F(HandOffTest, HostTitleThatBeginsWithMorkaIsActivatedAndAMinimisedHostRestored) {
  DemoHost host(L"--title \"MORKA - Zeichnung1\" --minimized");
  ASSERT_NE(StartPickerWindow(), nullptr);
  ASSERT_TRUE(::IsIconic(host.MainWindow()));
  // Candidates with titles shorter than "MORKA", above the host in the order.
  for (const wchar_t* title : {L"MOR", L""}) {
    ASSERT_NE(::CreateWindowExW(0, L"STATIC", title, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                                nullptr, nullptr, nullptr),
              nullptr);
  }
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == host.MainWindow(); }, 5000));
  EXPECT_FALSE(::IsIconic(host.MainWindow()));
}

TEST_F(HandOffTest, UnregisteredHostShowsAMessageAndTheNextClickSucceeds) {
  ASSERT_EQ(DemoHost::Run(L"--unregister"), 0u);
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ExpectFailureMessage(L"429:");
  ASSERT_EQ(DemoHost::Run(L"--register"), 0u);
  DemoHost host;
  ClickRow(1);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), HandOff("s1.zpk", "s one.zst"));
}

struct HostFault {
  const char* name;
  std::wstring options;
  std::wstring message;  // after "Fehler "
  Lines calls;
  friend void PrintTo(const HostFault& f, std::ostream* os) { *os << f.name; }
};

class FailingHost : public HandOffTest, public ::testing::WithParamInterface<HostFault> {};

TEST_P(FailingHost, ShowsWhatWentWrongStopsThereAndReleasesTheObject) {
  const HostFault& f = GetParam();
  DemoHost host(f.options);
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  ExpectFailureMessage(f.message);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), f.calls);
}

const std::string k158 = "158 " + HostDataPath("a1.zpk");
const std::string k159 = "159 " + HostDataPath("a2.zst");

INSTANTIATE_TEST_SUITE_P(
    HandOff, FailingHost,
    ::testing::Values(HostFault{"ErrorIn158SkipsTheSecondFile",
                                L"--fail 158 1003 \"Plotter unbekannt\"",
                                L"1003: Plotter unbekannt",
                                {"created live=1", "158 FAILED " + HostDataPath("a1.zpk"),
                                 "released live=0"}},
                      HostFault{"ErrorIn159",
                                L"--fail 159 1004 \"Plotstil fehlt\"",
                                L"1004: Plotstil fehlt",
                                {"created live=1", k158, "159 FAILED " + HostDataPath("a2.zst"),
                                 "released live=0"}},
                      HostFault{"NoMorkaWindowAfterBothFiles",
                                L"--no-window",
                                L"5:",
                                {"created live=1", k158, k159, "released live=0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HandOffTest, HostBusyForTwoSecondsGetsBothFilesOnceInOrderWithoutAQuestion) {
  ASSERT_NE(StartPickerWindow(), nullptr);
  DemoHost host(L"--busy 2000");
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_TRUE(host.WaitForLines("turned away", 1, 0)) << "the host was idle already";
  EXPECT_EQ(Calls(host), HandOff("a1.zpk", "a2.zst"));
  EXPECT_TRUE(picker_->Windows(L"#32770").empty());
}

// The question the picker asks once a busy host has turned it away for 10 s.
class BusyHost : public HandOffTest {
 protected:
  HWND ClickAndWaitForTheQuestion(int row) {
    const ULONGLONG clicked = ::GetTickCount64();
    ClickRow(row);
    const HWND question = picker_->WaitForWindow(L"#32770", 20000);
    const ULONGLONG waited = ::GetTickCount64() - clicked;
    std::printf("the question came %llu ms after the click\n", waited);
    EXPECT_GE(waited, 9500u);
    EXPECT_LE(waited, 12500u);
    if (question != nullptr) {
      EXPECT_NE(DialogTexts(question).find(L"MORKA ist besch\u00E4ftigt"), std::wstring::npos);
      EXPECT_EQ(WindowText(::GetDlgItem(question, IDRETRY)), L"Wiederholen");
      EXPECT_EQ(WindowText(::GetDlgItem(question, IDCANCEL)), L"Abbrechen");
    }
    return question;
  }
  bool NoDialogStays() {
    return WaitFor([&] { return picker_->Windows(L"#32770").empty(); }, 3000) &&
           !WaitFor([&] { return !picker_->Windows(L"#32770").empty(); }, 500);
  }
};

TEST_F(BusyHost, AbbrechenSendsNothingAndTheNextClickAfterTheHostRecoversWorks) {
  ASSERT_NE(StartPickerWindow(), nullptr);
  const ULONGLONG started = ::GetTickCount64();
  DemoHost host(L"--busy 14000");
  const HWND question = ClickAndWaitForTheQuestion(0);
  ASSERT_NE(question, nullptr);
  ClickButton(question, IDCANCEL);
  EXPECT_TRUE(NoDialogStays());
  EXPECT_EQ(Calls(host), Lines{});
  EXPECT_FALSE(picker_->WaitForExit(0));
  ::Sleep(static_cast<DWORD>(std::max<LONGLONG>(0, 14500 - (::GetTickCount64() - started))));
  ClickRow(1);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), HandOff("s1.zpk", "s one.zst"));
}

TEST_F(BusyHost, WiederholenDeliversBothFilesOnceTheHostRecovers) {
  ASSERT_NE(StartPickerWindow(), nullptr);
  DemoHost host(L"--busy 14000");
  const HWND question = ClickAndWaitForTheQuestion(0);
  ASSERT_NE(question, nullptr);
  ClickButton(question, IDRETRY);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), HandOff("a1.zpk", "a2.zst"));
  EXPECT_TRUE(NoDialogStays());
}

TEST_F(BusyHost, AbbrechenBetweenTheFilesSaysThatOnlyTheFirstArrived) {
  ASSERT_NE(StartPickerWindow(), nullptr);
  DemoHost host(L"--busy-after-158 30000");
  const HWND question = ClickAndWaitForTheQuestion(0);
  ASSERT_NE(question, nullptr);
  EXPECT_NE(DialogTexts(question).find(L"Die erste Datei hat MORKA schon erhalten"),
            std::wstring::npos);
  ClickButton(question, IDCANCEL);
  HWND note = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (HWND box : picker_->Windows(L"#32770")) {
      if (MessageText(box).find(L"nur zum Teil") != std::wstring::npos) note = box;
    }
    return note != nullptr;
  }));
  const std::string second = HostDataPath("a2.zst");
  EXPECT_NE(MessageText(note).find(std::wstring(second.begin(), second.end())), std::wstring::npos);
  ClickButton(note, IDOK);
  EXPECT_TRUE(NoDialogStays());
  EXPECT_EQ(Calls(host),
            (Lines{"created live=1", "158 " + HostDataPath("a1.zpk"), "released live=0"}));
}

// The demo host registered as another release for one test, then as before.
class Registration {
 public:
  explicit Registration(const std::wstring& arguments) {
    EXPECT_EQ(DemoHost::Run(L"--register " + arguments), 0u);
  }
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;
  ~Registration() {
    const std::wstring key = std::wstring(L"CLSID\\") + kClassId;
    ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, (key + L"\\TypeLib").c_str(), KEY_WOW64_32KEY, 0);
    ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), KEY_WOW64_32KEY, 0);
    DemoHost::Run(L"--register");
  }

  // Where a 32-bit host's registration names its type library, here without
  // naming its version.
  static void MoveTypeLibraryTo32BitView() {
    const std::wstring key = std::wstring(L"CLSID\\") + kClassId;
    const auto library = RegistryText(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr);
    ASSERT_TRUE(library);
    for (const wchar_t* name : {L"\\TypeLib", L"\\Version"}) {
      ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, (key + name).c_str(), KEY_WOW64_64KEY, 0);
      ::RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + key + name).c_str());
    }
    ASSERT_TRUE(
        SetRegistryText(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr, library, KEY_WOW64_32KEY));
  }

 private:
  static constexpr wchar_t kClassId[] = L"{F5A1026D-3148-466E-9023-29C7F821A0DB}";
};

struct Release {
  const char* name;
  std::wstring registration;
  std::wstring host;
  std::wstring failureCode;  // empty: the hand-off succeeds
  bool thirtyTwoBit;
  friend void PrintTo(const Release& r, std::ostream* os) { *os << r.name; }
};

class HostRelease : public HandOffTest, public ::testing::WithParamInterface<Release> {};

// The picker learns the interface id from the host's registration: a host
// that lacks the interface its own type library declares shows 13, which a
// picker falling back to IDispatch or using another id would not show.
TEST_P(HostRelease, IsReachedThroughTheInterfaceItsRegistrationDeclares) {
  const Release& r = GetParam();
  Registration registration(r.registration);
  if (r.thirtyTwoBit) Registration::MoveTypeLibraryTo32BitView();
  DemoHost host(r.host);
  ASSERT_NE(StartPickerWindow(), nullptr);
  ClickRow(0);
  if (!r.failureCode.empty()) {
    ExpectFailureMessage(r.failureCode + L":");
    EXPECT_FALSE(host.WaitForLines("158 ", 1, 300));
    return;
  }
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), HandOff("a1.zpk", "a2.zst"));
}

INSTANTIATE_TEST_SUITE_P(
    HandOff, HostRelease,
    ::testing::Values(
        Release{"FirstLackingItsInterfaceShows13", L"", L"--no-interface", L"13", false},
        Release{"SecondWithAnotherInterfaceId", L"--typelib 2", L"--typelib 2", L"", false},
        Release{"In32BitViewWithoutVersionLackingItsInterfaceShows13", L"--typelib 2",
                L"--typelib 2 --no-interface", L"13", true},
        Release{"WithoutTypeLibraryThroughIDispatch", L"--typelib none", L"--typelib none", L"",
                false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wendrake::e2e
