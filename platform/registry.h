#pragma once
// The registry: text values, the text form of the ids it holds, and the
// per-user settings store under HKCU\Software\VB and VBA Program
// Settings\<application>\<section>, where positions stored by earlier
// installations of the picker already live.
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

// A setting; "" when the key or value is absent or not text.
std::wstring GetSetting(const std::wstring& application, const std::wstring& section,
                        const std::wstring& key);
// Creates the section as needed; fails with the system's code.
void SaveSetting(const std::wstring& application, const std::wstring& section,
                 const std::wstring& key, const std::wstring& value);

}  // namespace wendrake
