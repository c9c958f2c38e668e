#pragma once
// Text files as editors save them: the encoding is told from the bytes of
// the whole file, then the decoded text is split into lines.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace wendrake {

// The most a text file may hold: far beyond any catalogue (136 records and
// their comments take a few kilobytes), so that something else in its place,
// a log written there by mistake or a file of zeros after a crash, is refused
// before it costs memory.
inline constexpr size_t kTextFileLimit = 1024 * 1024;

// Reads up to `size` bytes into a buffer, returns how many; 0 at the end.
using ReadBlock = std::function<size_t(char*, size_t)>;

// The bytes of a file whose size is `size`, read block by block. Fails with
// 6 when the size is above kTextFileLimit, before anything is read, and when
// the file grows past it while it is read, after the limit and one byte more.
std::string ReadWithinLimit(uint64_t size, const ReadBlock& read);

// Text in the system's ANSI code page as wide text (Win32 knows the code
// page; the tests bring a stand-in).
using AnsiDecoder = std::function<std::wstring(std::string_view)>;

// A whole file's bytes as wide text. A byte-order mark decides, and is no
// part of the text: EF BB BF UTF-8, FF FE UTF-16 little-endian, FE FF UTF-16
// big-endian; there a malformed sequence, a lone surrogate or an odd last
// byte becomes U+FFFD and the rest reads on. Without a mark the text is
// UTF-8 when all of it is well-formed UTF-8 (no overlong forms, no encoded
// surrogates, nothing past U+10FFFF), else ANSI. ASCII reads the same either
// way. In UTF-8 a byte from 128 to 191 only continues a character and one
// from 192 up must be followed by such a byte, so ANSI text reads as ANSI
// once an umlaut (192 up) is followed by a letter, a digit, a blank or
// another umlaut, or a character such as the euro sign or a dash (128 to
// 191) follows an ASCII one. ANSI text whose every byte above 127 happens to
// form UTF-8, as "\xC3\xA4" does (two characters in Windows-1252), reads as
// UTF-8.
// Characters beyond U+FFFF are surrogate pairs where wchar_t has 16 bits.
std::wstring DecodeText(std::string_view bytes, const AnsiDecoder& fromAnsi);

// The lines of a text. CR LF, a lone LF and a lone CR end a line (a file
// edited on another system still reads line by line); a last line without
// an end still counts; every other character, NUL and 26 included, belongs
// to its line.
class TextLines {
 public:
  explicit TextLines(std::wstring text) : text_(std::move(text)) {}

  bool AtEnd() const { return pos_ >= text_.size(); }
  // The next line without its end; "" at the end.
  std::wstring ReadLine();

 private:
  std::wstring text_;
  size_t pos_ = 0;
};

}  // namespace wendrake
