#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "catalogue/plotter_table.h"

namespace wendrake {

// Reads the list file into `plotters` and appends each name to the list box;
// returns the number of entries. Fails with 53 (no file), 76 (no folder), 6
// (a file above 1 MiB, or more than 32767 entries) or the code of another
// system error.
int16_t ReadPlotterList(const std::wstring& commonDataPath, HWND list, PlotterTable& plotters);

}  // namespace wendrake
