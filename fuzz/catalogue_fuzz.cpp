// Raw catalogue bytes in, plotter entries and list rows out. The lines come
// through LineReader in small and odd block sizes (picked by the input's
// first byte and length), and every result is checked against a plain
// reference reading of the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "catalogue/plotter_table.h"
#include "platform/failure.h"
#include "tests/support/bytes_file.h"

// assert() would vanish under NDEBUG; libFuzzer records the input on abort.
#define FUZZ_CHECK(c) \
  ((c) ? (void)0 : (std::fprintf(stderr, "FUZZ_CHECK failed: %s\n", #c), std::abort()))

namespace {

using wendrake::BytesFile;
using wendrake::Latin1;

// Lines as the catalogue defines them, without LineReader's blocks: CR LF,
// LF and CR end a line; a last line without an end still counts.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') {
      lines.back() += bytes[i];
      continue;
    }
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    lines.emplace_back();
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

// A column cut from the undecoded line by byte positions, only spaces trimmed.
std::wstring ReferenceField(const std::string& line, size_t from, size_t length) {
  std::string field = from < line.size() ? line.substr(from, length) : std::string();
  field.erase(0, std::min(field.find_first_not_of(' '), field.size()));
  field.erase(field.find_last_not_of(' ') + 1);
  return Latin1(field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  BytesFile file(bytes, 1 + (((size > 0 ? data[0] : 0) ^ size) & 0x3F));
  wendrake::PlotterTable table;
  wendrake::Rows list;
  bool overflowed = false;
  try {
    FUZZ_CHECK(wendrake::ReadPlotterLines(file, table, list) == static_cast<int>(table.size()));
  } catch (const wendrake::Failure& failure) {
    FUZZ_CHECK(failure.Code() == wendrake::code::kOverflow);
    overflowed = true;
  }
  // Every line was read as the reference splits them, up to an overflow.
  const std::vector<std::string> reference = ReferenceLines(bytes);
  FUZZ_CHECK(overflowed ? file.read.size() <= reference.size() : file.read == reference);
  FUZZ_CHECK(std::equal(file.read.begin(), file.read.end(), reference.begin()));

  std::vector<std::string> entries;
  for (const std::string& line : file.read) {
    if (!line.empty() && line[0] != '*') entries.push_back(line);
  }
  FUZZ_CHECK(table.size() == entries.size() && list.rows.size() == entries.size());
  FUZZ_CHECK(overflowed == (entries.size() > 32767));
  for (size_t k = 0; k < table.size(); ++k) {
    FUZZ_CHECK(list.rows[k] == table[k].Name);
    FUZZ_CHECK(table[k].Name == ReferenceField(entries[k], 0, 15));
    FUZZ_CHECK(table[k].File1 == ReferenceField(entries[k], 15, 20));
    FUZZ_CHECK(table[k].File2 == ReferenceField(entries[k], 35, std::string::npos));
  }
  return 0;
}
