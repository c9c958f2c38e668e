#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/plotter_table.h"
#include "platform/failure.h"
#include "tests/failure_code.h"
#include "tests/support/bytes_file.h"

namespace wendrake {
namespace {

std::vector<std::string> SplitLines(const std::string& bytes, size_t block) {
  BytesFile file(bytes, block);
  while (!file.AtEnd()) file.ReadLine();
  return file.read;
}

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtCrLfLoneLfAndLoneCrWhateverTheBlockSize) {
  const std::string text = "a\r\nb\nc\rd\r\n\r\ne";
  for (size_t block : {1u, 2u, 3u, 64u}) {
    EXPECT_EQ(SplitLines(text, block), (Lines{"a", "b", "c", "d", "", "e"})) << block;
  }
}

TEST(LineReader, LastLineWithoutTerminatorCountsAndNulAndEndOfFileMarkAreCharacters) {
  EXPECT_EQ(SplitLines("", 4), Lines{});
  EXPECT_EQ(SplitLines("x", 4), Lines{"x"});
  EXPECT_EQ(SplitLines("\n\r", 4), (Lines{"", ""}));
  using namespace std::string_literals;
  // 26 is the end-of-file mark of old editors; \032 is octal.
  EXPECT_EQ(SplitLines("a\0b\032c\r\nd"s, 3), (Lines{"a\0b\032c"s, "d"}));
}

TEST(LineReader, LongLineSpansManyBlocks) {
  const std::string longLine(100000, 'x');
  EXPECT_EQ(SplitLines(longLine + "\r\nend", 4096), (Lines{longLine, "end"}));
}

PlotterEntry Entry(const wchar_t* line) {
  return EntryFromLine(line);
}

TEST(EntryFromLine, CutsFixedColumnsAndTrimsOnlySpaces) {
  const PlotterEntry e = Entry(L"Kaskad R600    kaskad600.zpk       einfarbig.zst");
  EXPECT_EQ(e.Name, L"Kaskad R600");
  EXPECT_EQ(e.File1, L"kaskad600.zpk");
  EXPECT_EQ(e.File2, L"einfarbig.zst");
  const PlotterEntry tabs = Entry(L"\tTab\t          f1\t                 \tf2\t ");
  EXPECT_EQ(tabs.Name, L"\tTab\t");
  EXPECT_EQ(tabs.File1, L"f1\t");
  EXPECT_EQ(tabs.File2, L"\tf2\t");
  // Full columns, nothing between them.
  const PlotterEntry full = Entry(L"Name-Fifteen-15File-One-20-Chars-xx2nd");
  EXPECT_EQ(full.Name, L"Name-Fifteen-15");
  EXPECT_EQ(full.File1, L"File-One-20-Chars-xx");
  EXPECT_EQ(full.File2, L"2nd");
}

TEST(EntryFromLine, ShortLinesGiveEmptyFields) {
  EXPECT_EQ(Entry(L"123456789012345").Name, L"123456789012345");
  EXPECT_EQ(Entry(L"123456789012345").File1, L"");
  const PlotterEntry twenty = Entry(L"Name           f1234");
  EXPECT_EQ(twenty.File1, L"f1234");
  EXPECT_EQ(twenty.File2, L"");
  const PlotterEntry blanks = Entry(L"     ");
  EXPECT_EQ(blanks.Name + blanks.File1 + blanks.File2, L"");
}

TEST(EntryFromLine, LongNameSpillsIntoFirstFileAndSecondFileKeepsInnerSpaces) {
  const PlotterEntry e = Entry(L"A very long plotter name  f  x     my plot style.zst  ");
  EXPECT_EQ(e.Name, L"A very long plo");
  EXPECT_EQ(e.File1, L"tter name  f  x");
  EXPECT_EQ(e.File2, L"my plot style.zst");
}

TEST(ReadPlotterLines, RowsMatchTableInFileOrderAndSkipComments) {
  BytesFile file(
      "* header\r\n\r\nSame           a1                  a2\r\n   \r\n"
      "Same           b1                  b2\nK\xE4lte\r *Star");
  PlotterTable plotters;
  Rows list;
  EXPECT_EQ(ReadPlotterLines(file, plotters, list), 5);
  ASSERT_EQ(plotters.size(), 5u);
  EXPECT_EQ(list.rows, (std::vector<std::wstring>{L"Same", L"", L"Same", L"K\u00E4lte", L"*Star"}));
  EXPECT_EQ(plotters[2].File1, L"b1");  // the duplicate keeps its own files
  EXPECT_EQ(plotters[3].Name, L"K\u00E4lte");
}

TEST(ReadPlotterLines, EmptyAndCommentOnlyFilesGiveNoEntries) {
  for (const char* text : {"", "\r\n\r\n", "*a\r\n*\r\n\n"}) {
    BytesFile file(text);
    PlotterTable plotters;
    Rows list;
    EXPECT_EQ(ReadPlotterLines(file, plotters, list), 0);
    EXPECT_TRUE(list.rows.empty());
  }
}

TEST(ReadPlotterLines, Counter32767IsFineAndOneMoreOverflowsKeepingWhatWasRead) {
  std::string many;
  for (int i = 0; i < 32767; ++i) many += "P\n";
  {
    BytesFile file(many, 65536);
    PlotterTable plotters;
    Rows list;
    EXPECT_EQ(ReadPlotterLines(file, plotters, list), 32767);
  }
  BytesFile file(many + "P\nP\n", 65536);
  PlotterTable plotters;
  Rows list;
  EXPECT_EQ(FailureCode([&] { ReadPlotterLines(file, plotters, list); }), code::kOverflow);
  EXPECT_EQ(plotters.size(), 32768u);
  EXPECT_EQ(list.rows.size(), 32768u);
}

}  // namespace
}  // namespace wendrake
