// Raw catalogue bytes in, plotter entries and list rows out. The lines come
// through LineReader in small and odd block sizes, each decoded byte for byte
// as Latin-1 (the stand-in for the ANSI code page the Windows build decodes
// with), and every result is checked against a plain reference reading of
// the same bytes.
//
// Input: the catalogue itself; its first byte and its length pick the block
// size, or short reads from a source with the program's own buffer size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/plotter_table.h"
#include "fuzz/fuzz_check.h"
#include "platform/failure.h"
#include "platform/line_reader.h"

namespace {

using wendrake::LineReader;
using wendrake::PlotterTable;

constexpr size_t kMaxEntries = 32767;

struct Plan {
  size_t bufferSize;
  size_t readLimit;  // bytes the source hands out per call at most
};

Plan PlanFor(const uint8_t* data, size_t size) {
  const uint8_t mode = static_cast<uint8_t>((size > 0 ? data[0] : 0) ^ size);
  const size_t small = 1 + (mode & 0x3F);
  // Bit 6: the program's own buffer size with a source that returns short
  // reads, as a pipe or a network share may.
  if (mode & 0x40) return Plan{64 * 1024, small};
  return Plan{small, SIZE_MAX};
}

// What the program reads from its list file, with every line it handed out.
class BytesFile {
 public:
  BytesFile(const std::string& bytes, size_t bufferSize, size_t readLimit)
      : bytes_(bytes),
        lines_(
            [this, readLimit](char* buffer, size_t capacity) {
              FUZZ_CHECK(capacity > 0);
              const size_t n = std::min({capacity, readLimit, bytes_.size() - pos_});
              bytes_.copy(buffer, n, pos_);
              pos_ += n;
              return n;
            },
            bufferSize) {}

  bool AtEnd() { return lines_.AtEnd(); }
  std::wstring ReadLine() {
    read.push_back(lines_.ReadLine());
    std::wstring wide;
    for (unsigned char c : read.back()) wide += static_cast<wchar_t>(c);
    return wide;
  }

  std::vector<std::string> read;

 private:
  const std::string& bytes_;
  size_t pos_ = 0;
  LineReader lines_;
};

struct Rows {
  std::vector<std::wstring> rows;
  void AddRow(const std::wstring& text) { rows.push_back(text); }
};

// Lines as the catalogue defines them, written without LineReader's blocks:
// CR LF, LF and CR end a line; a last line without an end still counts.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

bool IsEntry(const std::string& line) {
  return !line.empty() && line[0] != '*';
}

// Column cut by byte positions of the undecoded line, only spaces trimmed.
std::wstring ReferenceField(const std::string& line, size_t from, size_t length) {
  std::string field = from < line.size() ? line.substr(from, length) : std::string();
  while (!field.empty() && field.front() == ' ') field.erase(field.begin());
  while (!field.empty() && field.back() == ' ') field.pop_back();
  std::wstring wide;
  for (unsigned char c : field) wide += static_cast<wchar_t>(c);
  return wide;
}

bool HasOuterSpace(const std::wstring& field) {
  return !field.empty() && (field.front() == L' ' || field.back() == L' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Plan plan = PlanFor(data, size);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  BytesFile file(bytes, plan.bufferSize, plan.readLimit);
  PlotterTable table;
  Rows list;
  int count = -1;
  bool overflowed = false;
  try {
    count = wendrake::ReadPlotterLines(file, table, list);
  } catch (const wendrake::Failure& failure) {
    FUZZ_CHECK(failure.Code() == wendrake::code::kOverflow);
    overflowed = true;
  }

  const std::vector<std::string> reference = ReferenceLines(bytes);
  std::vector<const std::string*> entries;
  for (const std::string& line : reference) {
    if (IsEntry(line)) entries.push_back(&line);
  }

  // One more entry than the counter holds fails, keeping what was read.
  if (entries.size() > kMaxEntries) {
    FUZZ_CHECK(overflowed);
    FUZZ_CHECK(table.size() == kMaxEntries + 1);
  } else {
    FUZZ_CHECK(!overflowed);
    FUZZ_CHECK(count >= 0 && static_cast<size_t>(count) == table.size());
    FUZZ_CHECK(table.size() == entries.size());
    // Every line was read, exactly as the reference splits them.
    FUZZ_CHECK(file.read == reference);
  }
  FUZZ_CHECK(file.read.size() <= reference.size());
  FUZZ_CHECK(std::equal(file.read.begin(), file.read.end(), reference.begin()));

  FUZZ_CHECK(list.rows.size() == table.size());
  for (size_t k = 0; k < table.size(); ++k) {
    const wendrake::PlotterEntry& entry = table[k];
    FUZZ_CHECK(list.rows[k] == entry.Name);
    FUZZ_CHECK(!HasOuterSpace(entry.Name) && !HasOuterSpace(entry.File1) &&
               !HasOuterSpace(entry.File2));
    FUZZ_CHECK(entry.Name.size() <= 15 && entry.File1.size() <= 20);
    const std::string& line = *entries[k];
    FUZZ_CHECK(entry.Name == ReferenceField(line, 0, 15));
    FUZZ_CHECK(entry.File1 == ReferenceField(line, 15, 20));
    FUZZ_CHECK(entry.File2 == ReferenceField(line, 35, std::string::npos));
  }
  return 0;
}
