#include "tests/e2e/picker_fixture.h"

namespace wendrake::e2e {
namespace {

class FailedStart : public PickerTest {
 protected:
  // Starts the picker, expects only a message box, reads it and presses OK.
  void ExpectMessageThenEnd(const wchar_t* title, const std::wstring& text) {
    SetStoredValue(L"Left", L"1500");
    SetStoredValue(L"Top", L"750");
    Process picker = StartPicker();
    const HWND box = picker.WaitForWindow(L"#32770");
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(WindowText(box), title);
    EXPECT_EQ(MessageText(box), text);
    EXPECT_TRUE(picker.Windows(kPickerClass).empty()) << "the picker showed its window";
    ClickButton(box, IDOK);
    ASSERT_TRUE(picker.WaitForExit()) << "still running after OK";
    // The remembered position survives a failed start.
    EXPECT_EQ(StoredValue(L"Left"), L"1500");
    EXPECT_EQ(StoredValue(L"Top"), L"750");
  }
};

TEST_F(FailedStart, MissingListFileShowsFileNotFoundMessage) {
  RemoveCatalogueFolder();
  CreateCatalogueFolder();
  ExpectMessageThenEnd(L"Datei \u00F6ffnen_Error", L"Datei ZEPLO_PLOTTER.TXT nicht gefunden!");
}

TEST_F(FailedStart, MissingFolderIsALoadError76) {
  RemoveCatalogueFolder();
  ExpectMessageThenEnd(L"Load_Error", L"Load_Error! Error number:76");
}

TEST_F(FailedStart, OverflowInsideTheReadClosesTheListFile) {
  WriteCatalogue(NumberedCatalogue(32768));  // one more than the counter holds
  Process picker = StartPicker();
  const HWND box = picker.WaitForWindow(L"#32770", 30000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageText(box), L"Load_Error! Error number:6");
  // While the message is up the program still runs: its file must be closed.
  const std::wstring path = CatalogueFolder() + L"\\ZEPLO_Plotter.txt";
  const HANDLE exclusive = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(exclusive, INVALID_HANDLE_VALUE) << "the list file is still open";
  ::CloseHandle(exclusive);
  ClickButton(box, IDOK);
  EXPECT_TRUE(picker.WaitForExit());
}

TEST_F(FailedStart, SecondCopyEndsSilentlyLeavingExactlyOneWindow) {
  Process first = StartPicker();
  ASSERT_NE(first.WaitForWindow(kPickerClass), nullptr);
  Process second = StartPicker();
  EXPECT_EQ(second.WaitForExit(), 0u);
  EXPECT_TRUE(second.Windows(nullptr, false).empty());
  EXPECT_EQ(PickerWindows().size(), 1u);
  EXPECT_FALSE(StoredValue(L"Left")) << "the second copy stored a position";
  EXPECT_FALSE(first.WaitForExit(0)) << "the first copy must keep running";
}

}  // namespace
}  // namespace wendrake::e2e
