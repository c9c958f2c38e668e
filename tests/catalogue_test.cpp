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

// The fuzz target checks any bytes against a reference reading; these are
// the cases a reader can tell at a glance.
TEST(LineReader, SplitsAtCrLfLoneLfAndLoneCrWhateverTheBlockSize) {
  using namespace std::string_literals;
  for (size_t block : {1u, 2u, 3u, 64u}) {
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n\r\ne", block), (Lines{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(SplitLines("\n\r", block), (Lines{"", ""}));
    // 26 (octal 032) is the end-of-file mark of old editors: a character here.
    EXPECT_EQ(SplitLines("a\0b\032c\r\nd\r\n"s, block), (Lines{"a\0b\032c"s, "d"}));
  }
  EXPECT_EQ(SplitLines("", 4), Lines{});
}

// Columns 1-15, 16-35 and 36 on, counted in characters; only spaces trimmed.
TEST(EntryFromLine, CutsFixedColumnsAndTrimsOnlySpaces) {
  const std::vector<std::pair<std::wstring, PlotterEntry>> cases = {
      {L"Kaskad R600    kaskad600.zpk       einfarbig.zst",
       {L"Kaskad R600", L"kaskad600.zpk", L"einfarbig.zst"}},
      {L"\tTab\t          f1\t                 \tf2\t ", {L"\tTab\t", L"f1\t", L"\tf2\t"}},
      {L"Name-Fifteen-15File-One-20-Chars-xx2nd",
       {L"Name-Fifteen-15", L"File-One-20-Chars-xx", L"2nd"}},
      {L"A very long plotter name  f  x     my plot style.zst  ",
       {L"A very long plo", L"tter name  f  x", L"my plot style.zst"}},
      {L"123456789012345", {L"123456789012345", L"", L""}},
      {L"Name           f1234", {L"Name", L"f1234", L""}},
      {L"     ", {L"", L"", L""}},
  };
  for (const auto& [line, expected] : cases) {
    const PlotterEntry e = EntryFromLine(line);
    EXPECT_EQ(e.Name, expected.Name) << line;
    EXPECT_EQ(e.File1, expected.File1) << line;
    EXPECT_EQ(e.File2, expected.File2) << line;
  }
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
