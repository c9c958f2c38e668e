#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/plotter_table.h"
#include "platform/failure.h"
#include "platform/line_reader.h"
#include "tests/failure_code.h"

namespace wendrake {
namespace {

// Bytes in, lines out, decoded byte for byte as Latin-1 stands in for the
// ANSI code page.
class BytesFile {
 public:
  explicit BytesFile(std::string bytes, size_t block = 7)
      : bytes_(std::move(bytes)),
        lines_(
            [this](char* buffer, size_t capacity) {
              const size_t n = std::min(capacity, bytes_.size() - pos_);
              bytes_.copy(buffer, n, pos_);
              pos_ += n;
              return n;
            },
            block) {}
  bool AtEnd() { return lines_.AtEnd(); }
  std::string ReadBytes() { return lines_.ReadLine(); }
  std::wstring ReadLine() {
    std::wstring wide;
    for (unsigned char c : ReadBytes()) wide += static_cast<wchar_t>(c);
    return wide;
  }

 private:
  std::string bytes_;
  size_t pos_ = 0;
  LineReader lines_;
};

struct Rows {
  std::vector<std::wstring> rows;
  void AddRow(const std::wstring& text) { rows.push_back(text); }
};

std::vector<std::string> SplitLines(const std::string& bytes, size_t block) {
  BytesFile file(bytes, block);
  std::vector<std::string> lines;
  while (!file.AtEnd()) lines.push_back(file.ReadBytes());
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtCrLfLoneLfAndLoneCrWhateverTheBlockSize) {
  const std::string text = "a\r\nb\nc\rd\r\n\r\ne";
  for (size_t block : {1u, 2u, 3u, 64u}) {
    EXPECT_EQ(SplitLines(text, block), (Lines{"a", "b", "c", "d", "", "e"})) << block;
  }
}

TEST(LineReader, LastLineWithoutTerminatorCountsAndEmptyInputHasNoLines) {
  EXPECT_EQ(SplitLines("", 4), Lines{});
  EXPECT_EQ(SplitLines("x", 4), Lines{"x"});
  EXPECT_EQ(SplitLines("x\r\n", 4), Lines{"x"});
  EXPECT_EQ(SplitLines("\r\n", 4), Lines{""});
  EXPECT_EQ(SplitLines("\n\r", 4), (Lines{"", ""}));
}

TEST(LineReader, NulAndEndOfFileMarkAreOrdinaryCharacters) {
  const std::string text(
      "a\0b\x1A"
      "c\r\nd",
      8);
  EXPECT_EQ(SplitLines(text, 3), (Lines{std::string("a\0b\x1A"
                                                    "c",
                                                    5),
                                        "d"}));
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
