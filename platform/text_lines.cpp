#include "platform/text_lines.h"

#include <algorithm>

#include "platform/failure.h"

namespace wendrake {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

void Append(std::wstring& text, char32_t c) {
  if (sizeof(wchar_t) == 2 && c > 0xFFFF) {
    c -= 0x10000;
    text += static_cast<wchar_t>(0xD800 + (c >> 10));
    text += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    return;
  }
  text += static_cast<wchar_t>(c);
}

// Each maximal part of a sequence that cannot be completed becomes one
// U+FFFD, as Unicode recommends, and the next byte starts afresh. Returns
// whether the bytes were well-formed throughout.
bool DecodeUtf8(std::string_view bytes, std::wstring& text) {
  bool wellFormed = true;
  size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i++]);
    if (lead < 0x80) {
      text += static_cast<wchar_t>(lead);
      continue;
    }
    // How many bytes follow, and the range of the first of them: the limits
    // shut out overlong forms, surrogates and code points past U+10FFFF.
    int more = -1;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      more = 1;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      more = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      more = 3;
      c = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    }
    for (; more > 0 && i < bytes.size(); --more, ++i, low = 0x80, high = 0xBF) {
      const auto next = static_cast<unsigned char>(bytes[i]);
      if (next < low || next > high) break;
      c = (c << 6) | (next & 0x3F);
    }
    if (more != 0) {
      wellFormed = false;
      c = kReplacement;
    }
    Append(text, c);
  }
  return wellFormed;
}

void DecodeUtf16(std::string_view bytes, bool bigEndian, std::wstring& text) {
  const auto unit = [&](size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (first << 8 | second) : (second << 8 | first);
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t low = unit(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    Append(text, IsSurrogate(c) ? kReplacement : c);
  }
  if (i < bytes.size()) Append(text, kReplacement);
}

}  // namespace

std::string ReadWithinLimit(uint64_t size, const ReadBlock& read) {
  if (size > kTextFileLimit) throw Failure(code::kOverflow);
  constexpr size_t kBlock = 64 * 1024;
  std::string bytes;
  for (;;) {
    const size_t had = bytes.size();
    bytes.resize(std::min(had + kBlock, kTextFileLimit + 1));
    const size_t got = read(bytes.data() + had, bytes.size() - had);
    bytes.resize(had + got);
    if (got == 0) return bytes;
    if (bytes.size() > kTextFileLimit) throw Failure(code::kOverflow);
  }
}

std::wstring DecodeText(std::string_view bytes, const AnsiDecoder& fromAnsi) {
  std::wstring text;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    DecodeUtf8(bytes.substr(3), text);
  } else if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    DecodeUtf16(bytes.substr(2), bytes[0] == '\xFE', text);
  } else if (!DecodeUtf8(bytes, text)) {
    return fromAnsi(bytes);
  }
  return text;
}

std::wstring TextLines::ReadLine() {
  if (AtEnd()) return {};
  const size_t end = std::min(text_.find_first_of(L"\r\n", pos_), text_.size());
  std::wstring line = text_.substr(pos_, end - pos_);
  pos_ = end + 1;
  if (end + 1 < text_.size() && text_[end] == L'\r' && text_[end + 1] == L'\n') ++pos_;
  return line;
}

}  // namespace wendrake
