#include <cstdio>

#include "platform/text_lines.h"
#include "tests/e2e/fixtures.h"

namespace wendrake::e2e {
namespace {

using namespace std::string_literals;

TEST_F(HandOffTest, EachClickHandsTheRowsFilesInOrderActivatesMorkaAndKeepsThePickerOnTop) {
  DemoHost host;
  ASSERT_NE(StartPickerWindow(), nullptr);
  WriteCatalogue(NumberedCatalogue(1));  // counts from the next start only
  // Above MORKA, and its title begins with MORKA: the exact title wins.
  ASSERT_NE(::CreateWindowExW(0, L"STATIC", L"MORKA - Hilfe", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                              nullptr, nullptr, nullptr, nullptr),
            nullptr);
  ClickRow(0);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == host.MainWindow(); }, 5000));
  EXPECT_EQ(::SendMessageW(list_, LB_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(::GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // Duplicate names hand their own row's files; an empty file still a call.
  size_t handOffs = 1;
  for (const int row : {2, 1, 3}) {
    ClickRow(row);
    ASSERT_TRUE(host.WaitForLines("released", ++handOffs));
  }
  // A row chosen with the keyboard, back in the picker by a click on its margin.
  Click(ScreenPoint(window_, POINT{40, ClientRect(window_).bottom - 2}));
  ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == window_; }, 3000));
  PressKey(VK_UP);
  ASSERT_TRUE(host.WaitForLines("released", ++handOffs));
  EXPECT_EQ(::SendMessageW(list_, LB_GETCURSEL, 0, 0), 2);
  Lines expected = HandOff("a1.zpk", "a2.zst");
  for (const Lines& next : {HandOff("t1.zpk", "t2.zst"), HandOff("s1.zpk", "s one.zst"),
                            HandOff("n1.zpk", ""), HandOff("t1.zpk", "t2.zst")}) {
    expected.insert(expected.end(), next.begin(), next.end());
  }
  // Every hand-off creates its own object and releases it before the next.
  EXPECT_EQ(Calls(host), expected);
}

std::string Encoded(const std::wstring& text, UINT codePage) {
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(static_cast<size_t>(
      ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), 0, 0)));
  return bytes;
}
// One catalogue saved in each encoding Notepad offers lists the same rows and
// hands MORKA the same files: umlauts and Windows-1252's own characters (0x80
// to 0x9F in ANSI) in names and files, a name of 15 characters run straight
// into its first file, a blank record, a star that is no comment, character 26
// and a tab as ordinary characters, a NUL that ends the name as the list
// shows it, a last line without an end and, beyond ANSI, "Łódź". Every file is
// held open for writing, as an editor keeps it; one is exactly the size limit.
TEST_F(HandOffTest, TheCatalogueReadsTheSameInEveryEncoding) {
  ASSERT_EQ(::GetACP(), 1252u);  // the ANSI code page of a German system
  const std::wstring euro = L"Preis \u20AC \u201EA\u201C \u2013 2", lodz = L"\u0141\u00F3d\u017A";
  const std::wstring files[][2] = {
      {L"\u20AC\u201E\u2013\u00F6.zpk", L"\u201Egr\u00FC\u00DF\u201C.zst"},
      {lodz + L".zpk", lodz + L".zst"}};
  const std::wstring ansi =
      L"* Plotter \u2013 Stand 12/2026\r\n"
      L"Gr\u00F6\u00DFe A3       pl\u00F6t.zpk            f\u00E4rbe.zst\r\n" +
      euro + files[0][0] + L"            " + files[0][1] +
      L"\r\n\r\n   \n *Stern\rSub\x1AZ\r\nK\tA3\r\nNul\0shown"s;
  const std::wstring all =
      ansi + L"\r\n" + lodz + L"           " + files[1][0] + L"            " + files[1][1];
  const std::string utf8 = Encoded(all, CP_UTF8);
  // ANSI, UTF-8 with its mark and without, after a comment up to the limit
  // (many read blocks), UTF-16 LE.
  const std::string saved[] = {
      Encoded(ansi, 1252), "\xEF\xBB\xBF" + utf8,
      std::string(kTextFileLimit - utf8.size() - 2, '*') + "\r\n" + utf8,
      "\xFF\xFE" + std::string(reinterpret_cast<const char*>(all.data()), all.size() * 2)};
  const std::vector<std::wstring> rows = {L"Gr\u00F6\u00DFe A3", euro,     L"",    L"*Stern",
                                          L"Sub\x1AZ",           L"K\tA3", L"Nul", lodz};
  DemoHost host;
  Lines expected;
  for (const std::string& bytes : saved) {
    WriteCatalogue(bytes);
    const FileHandle editor(::CreateFileW(CataloguePath().c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(editor);
    ASSERT_NE(StartPickerWindow(), nullptr);
    const int shown = static_cast<int>(rows.size()) - (&bytes == saved);  // no Łódź in ANSI
    EXPECT_EQ(ListRows(list_), std::vector(rows.begin(), rows.begin() + shown)) << &bytes - saved;
    for (const int row : {1, 7}) {
      if (row >= shown) break;
      ClickRow(row);
      const Lines next =
          HandOff(Encoded(files[row / 7][0], CP_UTF8), Encoded(files[row / 7][1], CP_UTF8));
      expected.insert(expected.end(), next.begin(), next.end());
      ASSERT_TRUE(host.WaitForLines("released", expected.size() / 4));
    }
    EXPECT_EQ(picker_->Close(), 0u);
  }
  EXPECT_EQ(Calls(host), expected);
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

// The question the picker asks once a busy host has turned it away for 10 s.
class BusyHost : public HandOffTest {
 protected:
  // Starts the picker, then a host with the options, clicks the first row and
  // returns the question.
  HWND ClickAndWaitForTheQuestion(const std::wstring& hostOptions) {
    if (StartPickerWindow() == nullptr) return nullptr;
    host_.emplace(hostOptions);
    const ULONGLONG clicked = ::GetTickCount64();
    ClickRow(0);
    // The window stays drawn while the picker waits: what needs painting is.
    ::Sleep(2000);
    ::InvalidateRect(window_, nullptr, FALSE);
    EXPECT_TRUE(WaitFor([&] { return !::GetUpdateRect(window_, nullptr, FALSE); }, 2000));
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

  std::optional<DemoHost> host_;
};

TEST_F(BusyHost, AbbrechenSendsNothingAndSaysNothingMore) {
  const HWND question = ClickAndWaitForTheQuestion(L"--busy 14000");
  ASSERT_NE(question, nullptr);
  ClickButton(question, IDCANCEL);
  EXPECT_TRUE(NoDialogStays());
  EXPECT_EQ(Calls(*host_), Lines{});
  EXPECT_FALSE(picker_->WaitForExit(0));
}

TEST_F(BusyHost, WiederholenDeliversBothFilesOnceTheHostRecovers) {
  const HWND question = ClickAndWaitForTheQuestion(L"--busy 14000");
  ASSERT_NE(question, nullptr);
  ClickButton(question, IDRETRY);
  ASSERT_TRUE(host_->WaitForLines("released"));
  EXPECT_EQ(Calls(*host_), HandOff("a1.zpk", "a2.zst"));
  EXPECT_TRUE(NoDialogStays());
}

TEST_F(BusyHost, AbbrechenBetweenTheFilesSaysThatOnlyTheFirstArrived) {
  const HWND question = ClickAndWaitForTheQuestion(L"--busy-after-158 30000");
  ASSERT_NE(question, nullptr);
  EXPECT_NE(DialogTexts(question).find(L"Die erste Datei hat MORKA schon erhalten"),
            std::wstring::npos);
  ClickButton(question, IDCANCEL);
  HWND note = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (HWND box : picker_->Windows(L"#32770"))
      if (MessageText(box).find(L"nur zum Teil") != std::wstring::npos) note = box;
    return note != nullptr;
  }));
  const std::string second = HostDataPath("a2.zst");
  EXPECT_NE(MessageText(note).find(std::wstring(second.begin(), second.end())), std::wstring::npos);
  ClickButton(note, IDOK);
  EXPECT_TRUE(NoDialogStays());
  EXPECT_EQ(Calls(*host_),
            (Lines{"created live=1", "158 " + HostDataPath("a1.zpk"), "released live=0"}));
}

struct HostCase {
  const char* name;
  std::wstring registration;  // arguments of --register
  bool thirtyTwoBit;          // the type library named in the 32-bit view alone
  std::wstring host;          // the options of the host that runs
  std::wstring failure;       // after "Fehler "; empty: the hand-off succeeds
  Lines calls;
  friend void PrintTo(const HostCase& c, std::ostream* os) { *os << c.name; }
};

// The demo host registered as another release for one test, then as before.
class Host : public HandOffTest, public ::testing::WithParamInterface<HostCase> {
 protected:
  void TearDown() override {
    ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, (kClassKey + L"\\TypeLib").c_str(), KEY_WOW64_32KEY, 0);
    ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, kClassKey.c_str(), KEY_WOW64_32KEY, 0);
    DemoHost::Run(L"--register");
    HandOffTest::TearDown();
  }

  // Where a 32-bit host's registration names its type library, here without
  // naming its version.
  static void MoveTypeLibraryTo32BitView() {
    const auto library = RegistryText(HKEY_CLASSES_ROOT, kClassKey + L"\\TypeLib", nullptr);
    ASSERT_TRUE(library);
    for (const wchar_t* name : {L"\\TypeLib", L"\\Version"}) {
      ::RegDeleteKeyExW(HKEY_CLASSES_ROOT, (kClassKey + name).c_str(), KEY_WOW64_64KEY, 0);
      ::RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + kClassKey + name).c_str());
    }
    ASSERT_TRUE(SetRegistryText(HKEY_CLASSES_ROOT, kClassKey + L"\\TypeLib", nullptr, library,
                                KEY_WOW64_32KEY));
  }

  static inline const std::wstring kClassKey = L"CLSID\\{F5A1026D-3148-466E-9023-29C7F821A0DB}";
};

// The picker learns the interface id from the host's registration: a host
// that lacks the interface its own type library declares shows 13, which a
// picker falling back to IDispatch or using another id would not show. A
// MORKA that refuses the first file, or takes both but has no window to bring
// forward: the picker says what went wrong, sends nothing more, releases the
// object and stays. A MORKA whose title only begins so, minimised, comes to
// the front restored.
TEST_P(Host, IsReachedThroughTheInterfaceItsRegistrationDeclaresOrTheFailureShown) {
  const HostCase& c = GetParam();
  ASSERT_EQ(DemoHost::Run(L"--register " + c.registration), 0u);
  if (c.thirtyTwoBit) MoveTypeLibraryTo32BitView();
  DemoHost host(c.host);
  ASSERT_NE(StartPickerWindow(), nullptr);
  ASSERT_EQ(::IsIconic(host.MainWindow()) != FALSE, c.host.ends_with(L"--minimized"));
  ClickRow(0);
  if (!c.failure.empty()) ExpectFailureMessage(c.failure);
  ASSERT_TRUE(host.WaitForLines("released"));
  EXPECT_EQ(Calls(host), c.calls);
  if (c.failure.empty()) {
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == host.MainWindow(); }, 5000));
    EXPECT_FALSE(::IsIconic(host.MainWindow()));
  }
  EXPECT_EQ(picker_->Close(), 0u);
}

const Lines kCreatedAndReleased{"created live=1", "released live=0"};

INSTANTIATE_TEST_SUITE_P(
    HandOff, Host,
    ::testing::Values(
        HostCase{"FirstLackingItsInterfaceShows13", L"", false, L"--no-interface", L"13:",
                 kCreatedAndReleased},
        HostCase{"SecondWithAnotherInterfaceId", L"--typelib 2", false, L"--typelib 2", L"",
                 HandOff("a1.zpk", "a2.zst")},
        HostCase{"In32BitViewWithoutVersionLackingItsInterfaceShows13", L"--typelib 2", true,
                 L"--typelib 2 --no-interface", L"13:", kCreatedAndReleased},
        HostCase{"WithoutTypeLibraryThroughIDispatch", L"--typelib none", false, L"--typelib none",
                 L"", HandOff("a1.zpk", "a2.zst")},
        HostCase{
            "RefusingTheFirstFileGetsNoSecond", L"", false,
            L"--fail 158 1003 \"Plotter unbekannt\"", L"1003: Plotter unbekannt",
            Lines{"created live=1", "158 FAILED " + HostDataPath("a1.zpk"), "released live=0"}},
        HostCase{"WithoutAWindowToBringForwardShows5", L"", false, L"--no-window", L"5:",
                 HandOff("a1.zpk", "a2.zst")},
        HostCase{"TitledMorkaSomethingMinimisedIsRestored", L"", false,
                 L"--title \"MORKA - Zeichnung1\" --minimized", L"", HandOff("a1.zpk", "a2.zst")}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wendrake::e2e
