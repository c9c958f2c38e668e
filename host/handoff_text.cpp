#include "host/plotter_handoff.h"

namespace wendrake {

std::wstring HostFilePath(const std::wstring& commonDataPath, const std::wstring& file) {
  // Plain concatenation: an empty file name still names the folder.
  return commonDataPath + L"\\L-VORDANS\\MORKA\\" + file;
}

std::wstring HandOffFailureText(int32_t code, const std::wstring& description) {
  return L"Der Plotter konnte nicht an MORKA übergeben werden.\n\nFehler " + std::to_wstring(code) +
         L": " + description;
}

}  // namespace wendrake
