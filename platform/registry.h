#pragma once
// Reading text values of the registry, and the text form of the ids it holds.
#include <windows.h>

#include <string>

namespace wendrake {

// The text value `name` (nullptr: the key's default value) of `root\path`,
// in the registry view `view` (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY); ""
// when the key or the value is absent or not text.
std::wstring ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* name,
                              REGSAM view = 0);

// "{xxxxxxxx-...}", as class and type library ids stand in registry paths.
std::wstring GuidText(const GUID& guid);

}  // namespace wendrake
