#include "catalogue/read_plotter_list.h"

#include "platform/failure.h"
#include "platform/text_file.h"
#include "platform/text_lines.h"

namespace wendrake {
namespace {

class ListBoxRows {
 public:
  explicit ListBoxRows(HWND list) : list_(list) {}
  void AddRow(const std::wstring& text) {
    const LRESULT result =
        ::SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (result == LB_ERR || result == LB_ERRSPACE) throw Failure(code::kOutOfMemory);
  }

 private:
  HWND list_;
};

// The list file below the all-users application data folder.
std::wstring PlotterListPath(const std::wstring& commonDataPath) {
  return commonDataPath + L"\\L-VORDANS\\ZEPLO-Plotter\\ZEPLO_Plotter.txt";
}

}  // namespace

int16_t ReadPlotterList(const std::wstring& commonDataPath, HWND list, PlotterTable& plotters) {
  TextLines lines(ReadTextFile(PlotterListPath(commonDataPath)));
  ListBoxRows rows(list);
  return ReadPlotterLines(lines, plotters, rows);
}

}  // namespace wendrake
