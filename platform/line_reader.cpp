#include "platform/line_reader.h"

#include <algorithm>

namespace wendrake {

LineReader::LineReader(Source source, size_t bufferSize)
    : source_(std::move(source)), buffer_(std::max<size_t>(bufferSize, 1), '\0') {}

bool LineReader::Fill() {
  if (exhausted_) return false;
  begin_ = 0;
  end_ = source_(buffer_.data(), buffer_.size());
  if (end_ == 0) exhausted_ = true;
  return end_ != 0;
}

bool LineReader::AtEnd() {
  return begin_ == end_ && !Fill();
}

std::string LineReader::ReadLine() {
  std::string line;
  while (!AtEnd()) {
    const char* start = buffer_.data() + begin_;
    const char* stop = buffer_.data() + end_;
    const char* found = std::find_if(start, stop, [](char c) { return c == '\r' || c == '\n'; });
    line.append(start, found);
    begin_ = static_cast<size_t>(found - buffer_.data());
    if (found == stop) continue;  // the line goes on in the next block
    ++begin_;
    // A CR may be the first half of CR LF, even across a block boundary.
    if (*found == '\r' && !AtEnd() && buffer_[begin_] == '\n') ++begin_;
    return line;
  }
  return line;
}

}  // namespace wendrake
