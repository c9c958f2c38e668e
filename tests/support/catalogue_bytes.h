#pragma once
// The catalogue reader without Win32: bytes decoded as the picker decodes its
// file, Latin-1 standing in for the ANSI code page, into a list that keeps
// its rows.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/plotter_table.h"
#include "platform/text_lines.h"

namespace wendrake {

inline std::wstring Latin1(std::string_view bytes) {
  const auto* first = reinterpret_cast<const unsigned char*>(bytes.data());
  return std::wstring(first, first + bytes.size());
}

struct Rows {
  std::vector<std::wstring> rows;
  void AddRow(const std::wstring& text) { rows.push_back(text); }
};

inline int16_t ReadCatalogueBytes(std::string_view bytes, PlotterTable& plotters, Rows& list) {
  TextLines lines(DecodeText(bytes, Latin1));
  return ReadPlotterLines(lines, plotters, list);
}

}  // namespace wendrake
