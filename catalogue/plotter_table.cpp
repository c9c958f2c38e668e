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

// Characters from 1-based position `start`, at most `length` of them; past
// the end of the line the column is empty.
std::wstring_view Column(std::wstring_view line, size_t start, size_t length) {
  if (line.size() < start) return {};
  return line.substr(start - 1, length);
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
