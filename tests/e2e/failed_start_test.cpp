#include "platform/text_lines.h"
#include "tests/e2e/fixtures.h"

namespace wendrake::e2e {
namespace {

enum class Place { kNoFolder, kNoFile, kFolderInstead, kLocked, kTooMany, kTooLarge };

struct FailedStartCase {
  const char* name;
  Place place;
  int error;  // the number of the Load_Error message; 0: the file-not-found message
  friend void PrintTo(const FailedStartCase& c, std::ostream* os) { *os << c.name; }
};

class FailedStart : public PickerTest, public ::testing::WithParamInterface<FailedStartCase> {
 protected:
  void TearDown() override {
    ::RemoveDirectoryW(CataloguePath().c_str());
    PickerTest::TearDown();
  }
};

// Only a message, no window; after OK the picker ends, and the position
// remembered from the last run survives.
TEST_P(FailedStart, ShowsItsMessageAloneAndEndsAfterOkKeepingTheStoredPosition) {
  const FailedStartCase& c = GetParam();
  SetStoredPosition(L"1500", L"750");
  RemoveCatalogueFolder();
  FileHandle lock;
  switch (c.place) {
    case Place::kNoFolder: break;
    case Place::kNoFile: CreateCatalogueFolder(); break;
    case Place::kFolderInstead:
      CreateCatalogueFolder();
      ::CreateDirectoryW(CataloguePath().c_str(), nullptr);
      break;
    case Place::kLocked:
      WriteCatalogue(NumberedCatalogue(1));
      lock.Reset(::CreateFileW(CataloguePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      break;
    case Place::kTooMany: WriteCatalogue(NumberedCatalogue(137)); break;
    case Place::kTooLarge: WriteCatalogue(std::string(kTextFileLimit + 1, '\0')); break;
  }
  Process picker = StartPicker();
  const HWND box = picker.WaitForWindow(L"#32770");
  ASSERT_NE(box, nullptr) << "no message box";
  const bool notFound = c.error == 0;
  EXPECT_EQ(WindowText(box), notFound ? L"Datei \u00F6ffnen_Error" : L"Load_Error");
  EXPECT_EQ(MessageText(box), notFound ? L"Datei ZEPLO_PLOTTER.TXT nicht gefunden!"
                                       : L"Load_Error! Error number:" + std::to_wstring(c.error));
  EXPECT_TRUE(picker.Windows(kPickerClass).empty()) << "the picker showed its window";
  ClickButton(box, IDOK);
  EXPECT_TRUE(picker.WaitForExit()) << "still running after OK";
  ExpectStoredPosition(L"1500", L"750");
}

INSTANTIATE_TEST_SUITE_P(
    Startup, FailedStart,
    ::testing::Values(FailedStartCase{"MissingFileIsFileNotFound", Place::kNoFile, 0},
                      FailedStartCase{"MissingFolderIs76", Place::kNoFolder, 76},
                      FailedStartCase{"FolderInPlaceOfTheFileIs75", Place::kFolderInstead, 75},
                      FailedStartCase{"FileLockedByAnotherProgramIs70", Place::kLocked, 70},
                      FailedStartCase{"Records137OverflowTheListHeight", Place::kTooMany, 6},
                      FailedStartCase{"ZerosOfMoreThanOneMebibyteAre6", Place::kTooLarge, 6}),
    [](const auto& info) { return std::string(info.param.name); });

class FailedRead : public PickerTest {};

// Creating the list box fails once the picker's window exists: the window
// goes before the failure is reported, so the report's message loop cannot
// reach a window whose object is gone; after OK the program ends.
TEST_F(FailedRead, FailureAfterTheWindowExistsIsReportedWithoutTheWindowAndEnds) {
  const HMODULE dll = ::LoadLibraryW(FromBuildPath(REFUSE_LIST_BOX_DLL).c_str());
  ASSERT_NE(dll, nullptr);
  const HHOOK hook = ::SetWindowsHookExW(
      WH_CBT,
      reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(::GetProcAddress(dll, "RefuseListBox"))),
      dll, 0);
  ASSERT_NE(hook, nullptr);
  Process picker = StartPicker();
  const HWND box = picker.WaitForWindow(L"#32770");
  ::UnhookWindowsHookEx(hook);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageText(box).rfind(L"Laufzeitfehler ", 0), 0u);
  EXPECT_TRUE(picker.Windows(kPickerClass, false).empty()) << "the window outlived its object";
  ClickButton(box, IDOK);
  EXPECT_NE(picker.WaitForExit().value_or(0), 0u) << "ended with 0, or not at all";
}

}  // namespace
}  // namespace wendrake::e2e
