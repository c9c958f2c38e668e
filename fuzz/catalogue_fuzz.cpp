// Raw catalogue bytes in, plotter entries and list rows out, every result
// checked against a plain reference reading: the encoding told from the
// bytes, code points decoded one at a time, lines split and columns cut in
// code points. The input's first byte picks a byte-order mark to put before
// the rest (none, UTF-8, UTF-16 LE or BE), so that every encoding is reached.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/plotter_table.h"
#include "platform/failure.h"
#include "tests/support/catalogue_bytes.h"

// assert() would vanish under NDEBUG; libFuzzer records the input on abort.
#define FUZZ_CHECK(c) \
  ((c) ? (void)0 : (std::fprintf(stderr, "FUZZ_CHECK failed: %s\n", #c), std::abort()))

namespace {

// Whether `s` is one whole, shortest UTF-8 sequence of a code point that is no
// surrogate and not past U+10FFFF, and that code point.
bool Valid(std::string_view s, char32_t& c) {
  const auto lead = static_cast<unsigned char>(s[0]);
  // The lead byte's leading ones give the length: none for ASCII, 2 to 4 for a lead.
  const int ones = std::countl_one(lead);
  const size_t length = ones == 0 ? 1 : ones >= 2 && ones <= 4 ? ones : 0;
  if (length != s.size()) return false;
  c = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return false;
    c = c << 6 | (s[i] & 0x3F);
  }
  const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
  return c >= shortest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// Whether some valid sequence begins with `prefix`: completed with the lowest
// continuation bytes to one of up to four bytes.
bool Begins(std::string prefix) {
  for (char32_t c = 0; prefix.size() <= 4; prefix += '\x80')
    if (Valid(prefix, c)) return true;
  return false;
}

// At each byte the longest run that a valid sequence begins with: whole, a
// character; cut short, or no run at all, one U+FFFD.
std::u32string ReferenceUtf8(std::string_view bytes, bool& clean) {
  std::u32string text;
  clean = true;
  for (size_t i = 0, n = 1; i < bytes.size(); i += n, n = 1) {
    while (n < 4 && i + n < bytes.size() && Begins(std::string(bytes.substr(i, n + 1)))) ++n;
    char32_t c = 0;
    const bool whole = Valid(bytes.substr(i, n), c);
    clean = clean && whole;
    text += whole ? c : U'\uFFFD';
  }
  return text;
}

std::u32string ReferenceUtf16(std::string_view bytes, bool bigEndian) {
  std::vector<char32_t> units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]),
               b = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(bigEndian ? a * 256 + b : b * 256 + a);
  }
  const auto in = [&](size_t i, char32_t from, char32_t to) {
    return i < units.size() && units[i] >= from && units[i] <= to;
  };
  std::u32string text;
  for (size_t i = 0; i < units.size(); ++i) {
    if (in(i, 0xD800, 0xDBFF) && in(i + 1, 0xDC00, 0xDFFF)) {
      text += 0x10000 + (units[i] - 0xD800) * 0x400 + (units[i + 1] - 0xDC00);
      ++i;
    } else {
      text += in(i, 0xD800, 0xDFFF) ? U'\uFFFD' : units[i];
    }
  }
  return bytes.size() % 2 == 1 ? text + U'\uFFFD' : text;
}

std::u32string ReferenceText(std::string_view bytes) {
  bool clean = false;
  if (bytes.starts_with("\xEF\xBB\xBF")) return ReferenceUtf8(bytes.substr(3), clean);
  if (bytes.starts_with("\xFF\xFE")) return ReferenceUtf16(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return ReferenceUtf16(bytes.substr(2), true);
  std::u32string text = ReferenceUtf8(bytes, clean);
  if (clean) return text;
  text.clear();  // not UTF-8: Latin-1, the tests' stand-in for the ANSI code page
  for (unsigned char b : bytes) text += b;
  return text;
}

// CR LF, LF and CR end a line; a last line without an end still counts;
// only lines that are neither empty nor start with "*" are records.
std::vector<std::u32string> ReferenceRecords(const std::u32string& text) {
  std::vector<std::u32string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != U'\r' && text[i] != U'\n') {
      lines.back() += text[i];
      continue;
    }
    if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
    lines.emplace_back();
  }
  std::erase_if(lines, [](const std::u32string& l) { return l.empty() || l[0] == U'*'; });
  return lines;
}

// The picker's list: it keeps its rows.
struct Rows {
  std::vector<std::wstring> rows;
  void AddRow(const std::wstring& text) { rows.push_back(text); }
};

// A column cut by code points, only spaces trimmed; a wchar_t holds a code
// point where this runs.
std::wstring ReferenceField(const std::u32string& line, size_t from, size_t length) {
  std::u32string field = from < line.size() ? line.substr(from, length) : std::u32string();
  field.erase(0, std::min(field.find_first_not_of(U' '), field.size()));
  field.erase(field.find_last_not_of(U' ') + 1);
  return std::wstring(field.begin(), field.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static_assert(sizeof(wchar_t) == 4, "the reference fields hold code points");
  if (size == 0) return 0;
  const char* marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
  const std::string bytes =
      marks[data[0] & 3] + std::string(reinterpret_cast<const char*>(data) + 1, size - 1);
  wendrake::PlotterTable table;
  Rows list;
  bool overflowed = false;
  try {
    wendrake::TextLines lines(wendrake::DecodeText(bytes, wendrake::Latin1));
    FUZZ_CHECK(wendrake::ReadPlotterLines(lines, table, list) == static_cast<int>(table.size()));
  } catch (const wendrake::Failure& failure) {
    FUZZ_CHECK(failure.Code() == wendrake::code::kOverflow);
    overflowed = true;
  }
  // The entry that overflows the counter is in the table already.
  const std::vector<std::u32string> records = ReferenceRecords(ReferenceText(bytes));
  FUZZ_CHECK(overflowed == (records.size() > 32767));
  FUZZ_CHECK(table.size() == (overflowed ? 32768 : records.size()));
  FUZZ_CHECK(list.rows.size() == table.size());
  for (size_t k = 0; k < table.size(); ++k) {
    FUZZ_CHECK(list.rows[k] == table[k].Name && table[k].Name == ReferenceField(records[k], 0, 15));
    FUZZ_CHECK(table[k].File1 == ReferenceField(records[k], 15, 20));
    FUZZ_CHECK(table[k].File2 == ReferenceField(records[k], 35, std::u32string::npos));
  }
  return 0;
}
