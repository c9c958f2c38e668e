#include "tests/e2e/picker_fixture.h"

namespace wendrake::e2e {
namespace {

using Rows = std::vector<std::wstring>;

// The test process shares the picker's ANSI code page.
std::wstring Ansi(const std::string& bytes) {
  std::wstring wide(bytes.size(), L'\0');
  wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, bytes.data(),
                                                        static_cast<int>(bytes.size()), wide.data(),
                                                        static_cast<int>(wide.size()))));
  return wide;
}

std::string Repeat(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

enum class Place { kFile, kNoFile, kNoFolder, kDirectory, kLockedFile };

struct CatalogueCase {
  const char* name;
  Place place;
  std::string bytes;
  Rows rows;                 // when the picker shows
  std::wstring loadMessage;  // when it ends with a message instead
  friend void PrintTo(const CatalogueCase& c, std::ostream* os) { *os << c.name; }
};

const std::wstring kNotFound = L"Datei ZEPLO_PLOTTER.TXT nicht gefunden!";

class BadCatalogue : public PickerTest, public ::testing::WithParamInterface<CatalogueCase> {
 protected:
  // Puts the catalogue in place; returns a handle to keep open while the
  // picker starts (the lock case), else INVALID_HANDLE_VALUE.
  HANDLE Prepare(const CatalogueCase& c) {
    RemoveCatalogueFolder();
    const std::wstring path = CatalogueFolder() + L"\\ZEPLO_Plotter.txt";
    switch (c.place) {
      case Place::kNoFolder: return INVALID_HANDLE_VALUE;
      case Place::kNoFile: CreateCatalogueFolder(); return INVALID_HANDLE_VALUE;
      case Place::kDirectory:
        CreateCatalogueFolder();
        ::CreateDirectoryW(path.c_str(), nullptr);
        return INVALID_HANDLE_VALUE;
      case Place::kFile: WriteCatalogue(c.bytes); return INVALID_HANDLE_VALUE;
      case Place::kLockedFile:
        WriteCatalogue(c.bytes);
        return ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return INVALID_HANDLE_VALUE;
  }
  void TearDown() override {
    ::RemoveDirectoryW((CatalogueFolder() + L"\\ZEPLO_Plotter.txt").c_str());
    PickerTest::TearDown();
  }
};

TEST_P(BadCatalogue, ShowsTheExpectedRowsOrAClearMessageAndNeverCrashes) {
  const CatalogueCase& c = GetParam();
  const HANDLE lock = Prepare(c);
  Process picker = StartPicker();
  if (c.loadMessage.empty()) {
    const HWND window = picker.WaitForWindow(kPickerClass, 30000);
    ASSERT_NE(window, nullptr) << "no window";
    const Rows rows = ListRows(ListBoxOf(window));
    EXPECT_EQ(rows.size(), c.rows.size());
    if (rows.size() < 200) {
      EXPECT_EQ(rows, c.rows);
    }
    const RECT list = WindowRect(ListBoxOf(window));
    EXPECT_EQ(list.bottom - list.top, static_cast<LONG>(c.rows.size()) * 16);
  } else {
    const HWND box = picker.WaitForWindow(L"#32770", 30000);
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(MessageText(box), c.loadMessage);
    EXPECT_EQ(WindowText(box),
              c.loadMessage == kNotFound ? L"Datei \u00F6ffnen_Error" : L"Load_Error");
    ClickButton(box, IDOK);
    EXPECT_TRUE(picker.WaitForExit()) << "still running after OK";
  }
  if (lock != INVALID_HANDLE_VALUE) ::CloseHandle(lock);
}

const std::string kRecord = "Name           f1.zpk              f2.zst";

INSTANTIATE_TEST_SUITE_P(
    Startup, BadCatalogue,
    ::testing::Values(
        CatalogueCase{"EmptyFileShowsNoRows", Place::kFile, "", {}, {}},
        CatalogueCase{"CommentsOnlyShowNoRows", Place::kFile, "* a\r\n*\r\n* b", {}, {}},
        CatalogueCase{"BlankOnlyLinesAreEmptyRows", Place::kFile, "   \r\n \r\n", {L"", L""}, {}},
        CatalogueCase{"EmptyLinesAreSkipped", Place::kFile, "\r\n\r\nA\r\n\r\n", {L"A"}, {}},
        CatalogueCase{"LoneLfEndsLines", Place::kFile, "A\nB\n", {L"A", L"B"}, {}},
        CatalogueCase{"LoneCrEndsLines", Place::kFile, "A\rB\r", {L"A", L"B"}, {}},
        CatalogueCase{"MixedLineEndsAndOnlyCrsGiveNoEmptyRows",
                      Place::kFile,
                      "A\r\n\r\r\nB\n\rC",
                      {L"A", L"B", L"C"},
                      {}},
        CatalogueCase{"LastLineWithoutEndIsShown", Place::kFile, "A\r\nLast", {L"A", L"Last"}, {}},
        CatalogueCase{
            "NulEndsTheShownName", Place::kFile, std::string("Ab\0cd\r\nE", 8), {L"Ab", L"E"}, {}},
        CatalogueCase{"Char26IsAnOrdinaryCharacter",
                      Place::kFile,
                      "A\x1A"
                      "B\r\nC",
                      {L"A\x1A"
                       L"B",
                       L"C"},
                      {}},
        CatalogueCase{"Bytes80ToFFAreDecodedFromTheAnsiCodePage",
                      Place::kFile,
                      "\x80\x9F\xA0\xC4\xE4\xFF\r\n\xD6l",
                      {Ansi("\x80\x9F\xA0\xC4\xE4\xFF"), Ansi("\xD6l")},
                      {}},
        CatalogueCase{"Utf8ByteOrderMarkStaysPartOfTheFirstName",
                      Place::kFile,
                      "\xEF\xBB\xBFHP\r\n",
                      {Ansi("\xEF\xBB\xBFHP")},
                      {}},
        CatalogueCase{"TabsAndStarAfterBlankAreNames",
                      Place::kFile,
                      "\t\tT\r\n *S\r\n",
                      {L"\t\tT", L"*S"},
                      {}},
        CatalogueCase{"LongNameIsCutAt15",
                      Place::kFile,
                      "Plotter Name Longer Than Fifteen",
                      {L"Plotter Name Lo"},
                      {}},
        CatalogueCase{"DuplicateNamesAreSeparateRows",
                      Place::kFile,
                      kRecord + "\r\n" + kRecord + "\r\n",
                      {L"Name", L"Name"},
                      {}},
        CatalogueCase{"TenMegabyteLineLoads",
                      Place::kFile,
                      std::string(10 * 1024 * 1024, 'x') + "\r\nB",
                      {L"xxxxxxxxxxxxxxx", L"B"},
                      {}},
        CatalogueCase{"Records136Load", Place::kFile, Repeat("R\r\n", 136), Rows(136, L"R"), {}},
        CatalogueCase{"Records137OverflowTheListHeight",
                      Place::kFile,
                      Repeat("R\r\n", 137),
                      {},
                      L"Load_Error! Error number:6"},
        CatalogueCase{"Records32767OverflowTheListHeight",
                      Place::kFile,
                      Repeat("R\n", 32767),
                      {},
                      L"Load_Error! Error number:6"},
        CatalogueCase{"Records32768OverflowTheCounter",
                      Place::kFile,
                      Repeat("R\n", 32768),
                      {},
                      L"Load_Error! Error number:6"},
        CatalogueCase{"MissingFileIsReportedAsNotFound", Place::kNoFile, "", {}, kNotFound},
        CatalogueCase{
            "MissingFolderIsLoadError76", Place::kNoFolder, "", {}, L"Load_Error! Error number:76"},
        CatalogueCase{"FolderInPlaceOfTheFileIsLoadError75",
                      Place::kDirectory,
                      "",
                      {},
                      L"Load_Error! Error number:75"},
        CatalogueCase{"FileLockedByAnotherProcessIsLoadError70",
                      Place::kLockedFile,
                      kRecord,
                      {},
                      L"Load_Error! Error number:70"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wendrake::e2e
