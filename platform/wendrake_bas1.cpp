#include "platform/wendrake_bas1.h"

#include <shlobj.h>

#include <algorithm>

#include "platform/conversions.h"
#include "platform/failure.h"
#include "platform/text_file.h"
#include "platform/twips.h"

namespace Wendrake_bas1 {

std::wstring GetSpecialFolderPath(int32_t folder) {
  PIDLIST_ABSOLUTE idList = nullptr;
  if (::SHGetSpecialFolderLocation(nullptr, folder, &idList) != S_OK) return {};
  std::string buffer(MAX_PATH, ' ');
  const BOOL found = ::SHGetPathFromIDListA(idList, buffer.data());
  ::CoTaskMemFree(idList);
  if (!found) return {};
  buffer.resize(std::min(buffer.find('\0'), buffer.size()));
  return wendrake::FromAnsi(buffer);
}

double TwipsToPixelsX(double twips) {
  const int16_t n = wendrake::RoundToInt16(wendrake::TwipsPerPixelX());
  if (n == 0) throw wendrake::Failure(wendrake::code::kDivisionByZero);
  return twips / n;
}

void EndIfPrevInstance(const wendrake::Application& app) {
  if (app.PrevInstance()) ::ExitProcess(0);
}

void SetTopMost(HWND window) {
  ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace Wendrake_bas1
