#pragma once
// The reason the picker exists: a plotter's two files handed to the host.
#include <windows.h>

#include <cstdint>
#include <string>

#include "catalogue/plotter_table.h"

namespace wendrake {

// Hands the plotter of list row `row` to the host: creates the host's
// automation object, hands it the full paths of the entry's two files
// (members 158 and 159, in this order), brings the host's window to the
// front and releases the object. While the host is busy the picker waits,
// and asks the user (owner: `owner`) after 10 s; a hand-off the user gives
// up ends quietly, or with a note when only the first file got through. A
// failure is told to the user with its code; the picker stays either way.
void HandOffPlotter(HWND owner, const std::wstring& commonDataPath, const PlotterTable& plotters,
                    int16_t row);

}  // namespace wendrake
