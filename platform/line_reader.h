#pragma once
// Splits 8-bit text into lines as it is read, so a file of any size is read
// with a small buffer. A line ends at CR LF, at a lone LF or at a lone CR (a
// catalogue edited on another system still reads line by line); a last line
// without terminator is still a line; every other byte, NUL and 26 included,
// is an ordinary character of its line.
#include <cstddef>
#include <functional>
#include <string>

namespace wendrake {

class LineReader {
 public:
  // Fills the buffer with up to `capacity` bytes; returns 0 at the end of
  // the input. Failures are thrown by the source itself.
  using Source = std::function<size_t(char* buffer, size_t capacity)>;

  explicit LineReader(Source source, size_t bufferSize = 64 * 1024);

  // True when no line is left.
  bool AtEnd();
  // The next line without its terminator; "" at the end.
  std::string ReadLine();

 private:
  bool Fill();  // false at the end of the input

  Source source_;
  std::string buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool exhausted_ = false;
};

}  // namespace wendrake
