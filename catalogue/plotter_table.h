#pragma once
// The plotter catalogue: fixed-column records, one per line, and the table
// whose index is the list row index.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/conversions.h"

namespace wendrake {

struct PlotterEntry {
  std::wstring Name;
  std::wstring File1;
  std::wstring File2;
};

using PlotterTable = std::vector<PlotterEntry>;

// Empty lines and lines starting with "*" are comments.
bool IsRecordLine(std::wstring_view line);

// Columns 1-15 name, 16-35 first file, 36 on second file (1-based, counted
// in characters, one beyond U+FFFF among them); only spaces are trimmed,
// short lines give empty fields.
PlotterEntry EntryFromLine(std::wstring_view line);

// The entry shown in list row `row`; 9 when the row is outside the table
// (no row selected).
const PlotterEntry& EntryAt(const PlotterTable& plotters, int16_t row);

// Reads every line of `file` (AtEnd/ReadLine) into `plotters`, appending each
// name as a row of `list` (AddRow) so that row k shows entry k. Returns the
// number of entries; more than 32767 fails with code 6. Entries read before a
// failure stay in the table and the list.
template <class TextInput, class ListRows>
int16_t ReadPlotterLines(TextInput& file, PlotterTable& plotters, ListRows& list) {
  int16_t count = 0;
  while (!file.AtEnd()) {
    const std::wstring line = file.ReadLine();
    if (!IsRecordLine(line)) continue;
    plotters.resize(static_cast<size_t>(count) + 1);
    plotters[static_cast<size_t>(count)] = EntryFromLine(line);
    list.AddRow(plotters[static_cast<size_t>(count)].Name);
    count = CheckedAdd16(count, 1);
  }
  return count;
}

}  // namespace wendrake
