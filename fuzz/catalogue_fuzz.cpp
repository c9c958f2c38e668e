// Raw catalogue bytes in, plotter entries and list rows out, every result
// checked against a plain reference reading of the same bytes: the encoding
// told from the bytes, code points decoded one at a time, lines split and
// columns cut in code points. The input's first byte picks a byte-order mark
// to put before the rest (none, UTF-8, UTF-16 LE or BE), so that every
// encoding is reached with the same text.
#include <algorithm>
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

constexpr char32_t kReplacement = 0xFFFD;

// Whether `bytes` are one complete, shortest, valid UTF-8 sequence, and the
// code point they encode.
bool ValidSequence(std::string_view bytes, char32_t& c) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const size_t length = lead < 0x80    ? 1
                        : lead >= 0xF8 ? 0
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC0 ? 2
                                       : 0;
  if (length != bytes.size()) return false;
  c = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return false;
    c = c << 6 | (bytes[i] & 0x3F);
  }
  const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
  return c >= shortest[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

// At each byte: the longest run of up to four bytes that some valid sequence
// begins with (checked by completing it with the lowest continuation bytes);
// whole, it is a character, cut short (or no run at all), one U+FFFD.
std::u32string ReferenceUtf8(std::string_view bytes, bool& clean) {
  std::u32string text;
  clean = true;
  for (size_t i = 0; i < bytes.size();) {
    size_t taken = 1;
    bool whole = false;
    char32_t c = kReplacement;
    for (size_t part = std::min<size_t>(4, bytes.size() - i); part >= 1; --part) {
      bool begins = false;
      for (size_t length = part; length <= 4 && !begins; ++length) {
        std::string complete(bytes.substr(i, part));
        complete.resize(length, '\x80');
        char32_t decoded = 0;
        begins = ValidSequence(complete, decoded);
        if (begins && length == part) {
          whole = true;
          c = decoded;
        }
      }
      if (begins) {
        taken = part;
        break;
      }
    }
    clean = clean && whole;
    text += c;
    i += taken;
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
  std::u32string text;
  for (size_t i = 0; i < units.size(); ++i) {
    const bool high = units[i] >= 0xD800 && units[i] < 0xDC00;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
      text += 0x10000 + (units[i] - 0xD800) * 0x400 + (units[i + 1] - 0xDC00);
      ++i;
    } else {
      text += units[i] >= 0xD800 && units[i] < 0xE000 ? kReplacement : units[i];
    }
  }
  if (bytes.size() % 2 == 1) text += kReplacement;
  return text;
}

std::u32string ReferenceText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    bool clean = false;
    return ReferenceUtf8(bytes.substr(3), clean);
  }
  if (bytes.substr(0, 2) == "\xFF\xFE") return ReferenceUtf16(bytes.substr(2), false);
  if (bytes.substr(0, 2) == "\xFE\xFF") return ReferenceUtf16(bytes.substr(2), true);
  bool clean = false;
  std::u32string text = ReferenceUtf8(bytes, clean);
  if (clean) return text;
  text.clear();  // the tests' stand-in for the ANSI code page: Latin-1
  for (unsigned char c : bytes) text += c;
  return text;
}

// CR LF, LF and CR end a line; a last line without an end still counts.
std::vector<std::u32string> ReferenceLines(const std::u32string& text) {
  std::vector<std::u32string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != U'\r' && text[i] != U'\n') {
      lines.back() += text[i];
      continue;
    }
    if (text[i] == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n') ++i;
    lines.emplace_back();
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

// A column cut by code points, only spaces trimmed; wchar_t holds a code
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
  wendrake::Rows list;
  bool overflowed = false;
  try {
    FUZZ_CHECK(wendrake::ReadCatalogueBytes(bytes, table, list) == static_cast<int>(table.size()));
  } catch (const wendrake::Failure& failure) {
    FUZZ_CHECK(failure.Code() == wendrake::code::kOverflow);
    overflowed = true;
  }

  std::vector<std::u32string> entries;
  for (const std::u32string& line : ReferenceLines(ReferenceText(bytes))) {
    if (!line.empty() && line[0] != U'*') entries.push_back(line);
  }
  FUZZ_CHECK(overflowed == (entries.size() > 32767));
  FUZZ_CHECK(table.size() == (overflowed ? 32768 : entries.size()));
  FUZZ_CHECK(list.rows.size() == table.size());
  for (size_t k = 0; k < table.size(); ++k) {
    FUZZ_CHECK(list.rows[k] == table[k].Name);
    FUZZ_CHECK(table[k].Name == ReferenceField(entries[k], 0, 15));
    FUZZ_CHECK(table[k].File1 == ReferenceField(entries[k], 15, 20));
    FUZZ_CHECK(table[k].File2 == ReferenceField(entries[k], 35, std::u32string::npos));
  }
  return 0;
}
