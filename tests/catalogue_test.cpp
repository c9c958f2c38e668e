#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/plotter_table.h"
#include "platform/failure.h"
#include "tests/failure_code.h"
#include "tests/support/catalogue_bytes.h"

namespace wendrake {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::wstring>;

Lines SplitLines(const std::wstring& text) {
  TextLines lines(text);
  Lines read;
  while (!lines.AtEnd()) read.push_back(lines.ReadLine());
  return read;
}

// The encoding is told from the file; a malformed spot costs one U+FFFD, never
// a line. Expected texts as wide literals: a character beyond U+FFFF is a
// surrogate pair where wchar_t has 16 bits, as the decoder makes it.
TEST(DecodeText, TellsTheEncodingFromTheFileItself) {
  struct Case {
    const char* what;
    std::string bytes;
    std::wstring text;
  };
  const Case cases[] = {
      {"ASCII", "* a\r\nb", L"* a\r\nb"},
      {"ANSI", "K\xE4lte \x96 1", L"K\u00E4lte \u0096 1"},
      {"UTF-8",
       "K\xC3\xA4lte \xE2\x80\x93 \xC5\x81\xC3\xB3"
       "d\xC5\xBA",
       L"K\u00E4lte \u2013 \u0141\u00F3d\u017A"},
      {"UTF-8 mark", "\xEF\xBB\xBF* \xC3\xA4", L"* \u00E4"},
      {"UTF-16 LE", "\xFF\xFE*\0\xE4\0\r\0\n\0"s, L"*\u00E4\r\n"},
      {"UTF-16 BE", "\xFE\xFF\0*\0\xE4\x20\x13"s, L"*\u00E4\u2013"},
      {"marks alone", "\xEF\xBB\xBF", L""},
      {"beyond U+FFFF", "\xF0\x9F\x96\xA8 \xEF\xBB\xBF", L"\U0001F5A8 \uFEFF"},
      {"pair in UTF-16", "\xFF\xFE\x3D\xD8\xA8\xDD"s, L"\U0001F5A8"},
      // Without a mark anything not well-formed is ANSI: overlong, surrogate,
      // past U+10FFFF, cut short.
      {"overlong", "\xC0\xAF", L"\u00C0\u00AF"},
      {"surrogate", "\xED\xA0\x80", L"\u00ED\u00A0\u0080"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", L"\u00F4\u0090\u0080\u0080"},
      {"cut short", "ab\xE2\x82", L"ab\u00E2\u0082"},
      // With a mark each broken spot is one U+FFFD and the text reads on.
      {"malformed after a mark",
       "\xEF\xBB\xBF"
       "a\xC3(\xE2\x82\n\xFF\xF0\x9F\x96z",
       L"a\uFFFD(\uFFFD\n\uFFFD\uFFFDz"},
      {"UTF-16 odd length",
       "\xFF\xFE"
       "a\0b"s,
       L"a\uFFFD"},
      {"UTF-16 lone surrogates", "\xFE\xFF\xDC\0\0a\xD8\0"s, L"\uFFFDa\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeText(c.bytes, Latin1), c.text) << c.what;
}

TEST(TextLines, SplitsAtCrLfLoneLfAndLoneCrKeepingNulAnd26) {
  EXPECT_EQ(SplitLines(L"a\r\nb\nc\rd\r\n\r\ne"), (Lines{L"a", L"b", L"c", L"d", L"", L"e"}));
  EXPECT_EQ(SplitLines(L"\n\r"), (Lines{L"", L""}));
  // 26 (octal 032) is the end-of-file mark of old editors: a character here.
  EXPECT_EQ(SplitLines(L"a\0b\032c\r\nd\r\n"s), (Lines{L"a\0b\032c"s, L"d"}));
  EXPECT_EQ(SplitLines(L""), Lines{});
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
      // Characters beyond U+FFFF count once and stay whole at the edges.
      {L"12345678901234\U0001F5A8f1\U0001F5A8                 \U0001F5A8f2",
       {L"12345678901234\U0001F5A8", L"f1\U0001F5A8", L"\U0001F5A8f2"}},
  };
  for (const auto& [line, expected] : cases) {
    const PlotterEntry e = EntryFromLine(line);
    EXPECT_EQ(e.Name, expected.Name) << line.size();
    EXPECT_EQ(e.File1, expected.File1) << line.size();
    EXPECT_EQ(e.File2, expected.File2) << line.size();
  }
}

// An administrator's catalogue saved in each of the five ways an editor
// offers: a comment with a dash, umlauts and ß, a name of 15 umlauts that
// runs straight into its first file.
TEST(ReadPlotterLines, TheSameCatalogueInEveryEncodingGivesTheSameRows) {
  const std::u32string text =
      U"* Plotter \u2013 Stand 12/2026\r\n"
      U"Gr\u00F6\u00DFe A3       pl\u00F6t.zpk            f\u00E4rbe.zst\r\n"
      U"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00C4"
      U"\u00FCber.zpk            x.zst";
  const auto utf16 = [&](bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char32_t c : text) {
      const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
      bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
  };
  std::string latin1, utf8;
  for (char32_t c : text) {
    latin1 += static_cast<char>(c == U'\u2013' ? 0x96 : c);  // Windows-1252's dash
    utf8 += c < 0x80    ? std::string(1, static_cast<char>(c))
            : c < 0x800 ? std::string{static_cast<char>(0xC0 | c >> 6),
                                      static_cast<char>(0x80 | (c & 0x3F))}
                        : std::string{static_cast<char>(0xE0 | c >> 12),
                                      static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                                      static_cast<char>(0x80 | (c & 0x3F))};
  }
  for (const std::string& bytes :
       {latin1, utf8, "\xEF\xBB\xBF" + utf8, utf16(false), utf16(true)}) {
    PlotterTable plotters;
    Rows list;
    ASSERT_EQ(ReadCatalogueBytes(bytes, plotters, list), 2) << bytes.size();
    EXPECT_EQ(list.rows, (Lines{L"Gr\u00F6\u00DFe A3",
                                L"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00C4\u00D6\u00DC"
                                L"\u00E4\u00F6\u00FC\u00DF\u00C4"}));
    EXPECT_EQ(plotters[0].File1, L"pl\u00F6t.zpk");
    EXPECT_EQ(plotters[0].File2, L"f\u00E4rbe.zst");
    EXPECT_EQ(plotters[1].File1, L"\u00FCber.zpk");
    EXPECT_EQ(plotters[1].File2, L"x.zst");
  }
}

TEST(ReadPlotterLines, RowsMatchTableInFileOrderAndSkipComments) {
  PlotterTable plotters;
  Rows list;
  EXPECT_EQ(ReadCatalogueBytes("* header\r\n\r\nSame           a1                  a2\r\n   \r\n"
                               "Same           b1                  b2\nK\xE4lte\r *Star",
                               plotters, list),
            5);
  ASSERT_EQ(plotters.size(), 5u);
  EXPECT_EQ(list.rows, (Lines{L"Same", L"", L"Same", L"K\u00E4lte", L"*Star"}));
  EXPECT_EQ(plotters[2].File1, L"b1");  // the duplicate keeps its own files
  EXPECT_EQ(plotters[3].Name, L"K\u00E4lte");
}

TEST(ReadPlotterLines, Counter32767IsFineAndOneMoreOverflowsKeepingWhatWasRead) {
  std::string many;
  for (int i = 0; i < 32767; ++i) many += "P\n";
  {
    PlotterTable plotters;
    Rows list;
    EXPECT_EQ(ReadCatalogueBytes(many, plotters, list), 32767);
  }
  PlotterTable plotters;
  Rows list;
  EXPECT_EQ(FailureCode([&] { ReadCatalogueBytes(many + "P\nP\n", plotters, list); }),
            code::kOverflow);
  EXPECT_EQ(plotters.size(), 32768u);
  EXPECT_EQ(list.rows.size(), 32768u);
}

}  // namespace
}  // namespace wendrake
