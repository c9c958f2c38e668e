#pragma once
// The catalogue reader's file and list, in memory and without Win32: bytes in
// through LineReader's blocks, each line decoded byte for byte as Latin-1
// (the stand-in for the ANSI code page) and kept as read.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/line_reader.h"

namespace wendrake {

inline std::wstring Latin1(const std::string& bytes) {
  std::wstring wide;
  for (unsigned char c : bytes) wide += static_cast<wchar_t>(c);
  return wide;
}

struct BytesFile {
  explicit BytesFile(std::string text, size_t block = 7)
      : bytes(std::move(text)),
        lines(
            [this](char* buffer, size_t capacity) {
              const size_t n = std::min(capacity, bytes.size() - pos);
              bytes.copy(buffer, n, pos);
              pos += n;
              return n;
            },
            block) {}
  bool AtEnd() { return lines.AtEnd(); }
  std::wstring ReadLine() {
    read.push_back(lines.ReadLine());
    return Latin1(read.back());
  }

  std::string bytes;
  size_t pos = 0;
  LineReader lines;
  std::vector<std::string> read;  // every line so far, undecoded
};

struct Rows {
  std::vector<std::wstring> rows;
  void AddRow(const std::wstring& text) { rows.push_back(text); }
};

}  // namespace wendrake
