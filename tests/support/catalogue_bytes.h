#pragma once
// Catalogue bytes decoded without Win32, as the picker decodes its file:
// Latin-1 stands in for the ANSI code page.
#include <string>
#include <string_view>

#include "platform/text_lines.h"

namespace wendrake {

inline std::wstring Latin1(std::string_view bytes) {
  const auto* first = reinterpret_cast<const unsigned char*>(bytes.data());
  return std::wstring(first, first + bytes.size());
}

}  // namespace wendrake
