#include "host/handoff_text.h"

namespace wendrake {

std::wstring HostFilePath(const std::wstring& commonDataPath, const std::wstring& file) {
  // Plain concatenation: an empty file name still names the folder.
  return commonDataPath + L"\\L-VORDANS\\MORKA\\" + file;
}

std::wstring HandOffFailureText(int32_t code, const std::wstring& description) {
  return L"Der Plotter konnte nicht an MORKA übergeben werden.\n\nFehler " + std::to_wstring(code) +
         L": " + description;
}

std::wstring BusyText(const std::wstring& plotter, bool firstFileHandedOver) {
  std::wstring text = L"MORKA ist beschäftigt und nimmt den Plotter „" + plotter +
                      L"“ zurzeit nicht an. Vielleicht läuft dort ein Befehl, oder ein Dialog "
                      L"ist offen.\n\n";
  if (firstFileHandedOver) {
    text += L"Die erste Datei hat MORKA schon erhalten, die zweite noch nicht.\n\n";
  }
  return text + L"Wiederholen: weitere 10 Sekunden warten.\nAbbrechen: " +
         (firstFileHandedOver ? L"die zweite Datei nicht übergeben."
                              : L"den Plotter nicht übergeben.");
}

std::wstring PartialHandOffText(const std::wstring& plotter, const std::wstring& secondFilePath) {
  return L"Der Plotter „" + plotter +
         L"“ wurde nur zum Teil an MORKA übergeben: MORKA hat die erste Datei erhalten, die "
         L"zweite nicht:\n\n" +
         secondFilePath + L"\n\nWählen Sie den Plotter noch einmal, wenn MORKA wieder bereit ist.";
}

}  // namespace wendrake
