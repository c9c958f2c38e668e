#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/plotter_table.h"
#include "platform/failure.h"
#include "tests/support/catalogue_bytes.h"

namespace wendrake {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::wstring>;

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
      {"ANSI", "K\xE4lte \x96 1", L"K\u00E4lte \u0096 1"},
      {"UTF-8", "K\xC3\xA4lte \xE2\x80\x93 \xC5\x81\xC3\xB3\x64\xC5\xBA",
       L"K\u00E4lte \u2013 \u0141\u00F3d\u017A"},
      {"UTF-16 BE", "\xFE\xFF\0*\0\xE4\x20\x13"s, L"*\u00E4\u2013"},
      {"UTF-16 without a mark is not told", "a\0b\0"s, L"a\0b\0"s},
      {"beyond U+FFFF", "\xF0\x9F\x96\xA8 \xEF\xBB\xBF", L"\U0001F5A8 \uFEFF"},
      {"pair in UTF-16", "\xFF\xFE\x3D\xD8\xA8\xDD"s, L"\U0001F5A8"},
      // Without a mark anything not well-formed is ANSI: overlong, surrogate,
      // past U+10FFFF, cut short.
      {"overlong", "\xC0\xAF", L"\u00C0\u00AF"},
      {"surrogate", "\xED\xA0\x80", L"\u00ED\u00A0\u0080"},
      {"past U+10FFFF", "\xF4\x90\x80\x80", L"\u00F4\u0090\u0080\u0080"},
      {"cut short", "ab\xE2\x82", L"ab\u00E2\u0082"},
      // With a mark each broken spot is one U+FFFD and the text reads on.
      {"malformed after a mark", "\xEF\xBB\xBF\x61\xC3(\xE2\x82\n\xFF\xF0\x9F\x96z",
       L"a\uFFFD(\uFFFD\n\uFFFD\uFFFDz"},
      {"UTF-16 odd length", "\xFF\xFE\x61\0b"s, L"a\uFFFD"},
      {"UTF-16 lone surrogates", "\xFE\xFF\xDC\0\0a\xD8\0"s, L"\uFFFDa\uFFFD"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeText(c.bytes, Latin1), c.text) << c.what;
}

// A file of the limit reads whole; a larger one fails before a byte is read,
// one growing while it is read (a short size, 2 MiB in it) one byte past it.
TEST(ReadWithinLimit, ReadsAMebibyteAndNotAByteMore) {
  size_t left = kTextFileLimit, served = 0;
  const ReadBlock file = [&](char*, size_t size) {
    size = std::min(size, left);
    left -= size;
    served += size;
    return size;
  };
  EXPECT_EQ(ReadWithinLimit(kTextFileLimit, file).size(), kTextFileLimit);
  for (const uint64_t size : {kTextFileLimit + 1, size_t{10}}) {
    left = 2 * kTextFileLimit, served = 0;
    EXPECT_THROW(ReadWithinLimit(size, file), Failure);  // 6, as the failed start shows
    EXPECT_EQ(served, size == 10 ? kTextFileLimit + 1 : 0);
  }
}

// Columns 1-15, 16-35 and 36 on, counted in characters; only spaces trimmed.
// (Lines and columns of any bytes are the fuzz target's, against a reference.)
TEST(EntryFromLine, CutsFixedColumnsAndTrimsOnlySpaces) {
  const std::vector<std::pair<std::wstring, PlotterEntry>> cases = {
      {L"Kaskad R600    kaskad600.zpk       einfarbig.zst",
       {L"Kaskad R600", L"kaskad600.zpk", L"einfarbig.zst"}},
      {L"\tTab\t          f1\t                 \tf2\t ", {L"\tTab\t", L"f1\t", L"\tf2\t"}},
      {L"Name-Fifteen-15File-One-20-Chars-xx2nd",
       {L"Name-Fifteen-15", L"File-One-20-Chars-xx", L"2nd"}},
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

}  // namespace
}  // namespace wendrake
