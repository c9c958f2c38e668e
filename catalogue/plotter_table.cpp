#include "catalogue/plotter_table.h"

#include "platform/failure.h"

namespace wendrake {
namespace {

std::wstring TrimSpaces(std::wstring_view text) {
  const size_t first = text.find_first_not_of(L' ');
  if (first == std::wstring_view::npos) return {};
  const size_t last = text.find_last_not_of(L' ');
  return std::wstring(text.substr(first, last - first + 1));
}

// Where the character `count` characters after position `from` starts. A
// character beyond U+FFFF counts once, as the editor shows it, and is never
// cut in half: where wchar_t has 16 bits it is a surrogate pair.
size_t Advance(std::wstring_view line, size_t from, size_t count) {
  for (; from < line.size() && count > 0; --count) {
    const bool pair = from + 1 < line.size() && line[from] >= 0xD800 && line[from] <= 0xDBFF &&
                      line[from + 1] >= 0xDC00 && line[from + 1] <= 0xDFFF;
    from += pair ? 2 : 1;
  }
  return from;
}

// Characters from 1-based position `start`, at most `length` of them; past
// the end of the line the column is empty.
std::wstring_view Column(std::wstring_view line, size_t start, size_t length) {
  const size_t begin = Advance(line, 0, start - 1);
  return line.substr(begin, Advance(line, begin, length) - begin);
}

}  // namespace

bool IsRecordLine(std::wstring_view line) {
  return !line.empty() && line.front() != L'*';
}

PlotterEntry EntryFromLine(std::wstring_view line) {
  return PlotterEntry{
      TrimSpaces(Column(line, 1, 15)),
      TrimSpaces(Column(line, 16, 20)),
      TrimSpaces(Column(line, 36, std::wstring_view::npos)),
  };
}

const PlotterEntry& EntryAt(const PlotterTable& plotters, int16_t row) {
  if (row < 0 || static_cast<size_t>(row) >= plotters.size()) {
    throw Failure(code::kSubscriptOutOfRange);
  }
  return plotters[static_cast<size_t>(row)];
}

}  // namespace wendrake
