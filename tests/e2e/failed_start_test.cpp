#include "platform/text_lines.h"
#include "tests/e2e/fixtures.h"

namespace wendrake::e2e {
namespace {

std::wstring CataloguePath() {
  return CatalogueFolder() + L"\\ZEPLO_Plotter.txt";
}

enum class Place { kNoFolder, kNoFile, kFolderInstead, kLocked, kTooMany, kTooLarge };

struct FailedStartCase {
  const char* name;
  Place place;
  const wchar_t* title;
  const wchar_t* text;
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
  SetStoredValue(L"Left", L"1500");
  SetStoredValue(L"Top", L"750");
  RemoveCatalogueFolder();
  HANDLE lock = INVALID_HANDLE_VALUE;
  switch (c.place) {
    case Place::kNoFolder: break;
    case Place::kNoFile: CreateCatalogueFolder(); break;
    case Place::kFolderInstead:
      CreateCatalogueFolder();
      ::CreateDirectoryW(CataloguePath().c_str(), nullptr);
      break;
    case Place::kLocked:
      WriteCatalogue(NumberedCatalogue(1));
      lock = ::CreateFileW(CataloguePath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      break;
    case Place::kTooMany: WriteCatalogue(NumberedCatalogue(137)); break;
    case Place::kTooLarge: WriteCatalogue(std::string(kTextFileLimit + 1, '\0')); break;
  }
  Process picker = StartPicker();
  const HWND box = picker.WaitForWindow(L"#32770");
  ASSERT_NE(box, nullptr) << "no message box";
  EXPECT_EQ(WindowText(box), c.title);
  EXPECT_EQ(MessageText(box), c.text);
  EXPECT_TRUE(picker.Windows(kPickerClass).empty()) << "the picker showed its window";
  ClickButton(box, IDOK);
  EXPECT_TRUE(picker.WaitForExit()) << "still running after OK";
  if (lock != INVALID_HANDLE_VALUE) ::CloseHandle(lock);
  EXPECT_EQ(StoredValue(L"Left"), L"1500");
  EXPECT_EQ(StoredValue(L"Top"), L"750");
}

INSTANTIATE_TEST_SUITE_P(
    Startup, FailedStart,
    ::testing::Values(FailedStartCase{"MissingFileIsFileNotFound", Place::kNoFile,
                                      L"Datei \u00F6ffnen_Error",
                                      L"Datei ZEPLO_PLOTTER.TXT nicht gefunden!"},
                      FailedStartCase{"MissingFolderIs76", Place::kNoFolder, L"Load_Error",
                                      L"Load_Error! Error number:76"},
                      FailedStartCase{"FolderInPlaceOfTheFileIs75", Place::kFolderInstead,
                                      L"Load_Error", L"Load_Error! Error number:75"},
                      FailedStartCase{"FileLockedByAnotherProgramIs70", Place::kLocked,
                                      L"Load_Error", L"Load_Error! Error number:70"},
                      FailedStartCase{"Records137OverflowTheListHeight", Place::kTooMany,
                                      L"Load_Error", L"Load_Error! Error number:6"},
                      FailedStartCase{"ZerosOfMoreThanOneMebibyteAre6", Place::kTooLarge,
                                      L"Load_Error", L"Load_Error! Error number:6"}),
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
