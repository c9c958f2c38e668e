#pragma once
// Sequential text input from a file in the ANSI code page. Opening never
// creates the file; the handle is closed however the reading ends.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/handles.h"
#include "platform/line_reader.h"

namespace wendrake {

// Text in the system's ANSI code page, as the 8-bit shell calls deliver it.
std::wstring FromAnsi(std::string_view text);

class TextFile {
 public:
  // Fails with 53 when the file is missing, 76 when its folder is, or the
  // code of any other system error.
  static TextFile OpenForInput(const std::wstring& path);

  bool AtEnd() { return lines_.AtEnd(); }
  std::wstring ReadLine();

 private:
  explicit TextFile(FileHandle file);

  FileHandle file_;
  LineReader lines_;
};

}  // namespace wendrake
