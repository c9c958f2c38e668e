#pragma once
// The per-user settings store: text values under
// HKCU\Software\VB and VBA Program Settings\<application>\<section>, where
// positions stored by earlier installations of the picker already live.
#include <string>

namespace wendrake {

// "" when the key or value is absent or not text.
std::wstring GetSetting(const std::wstring& application, const std::wstring& section,
                        const std::wstring& key);
// Creates the section as needed; fails with the system's code.
void SaveSetting(const std::wstring& application, const std::wstring& section,
                 const std::wstring& key, const std::wstring& value);

}  // namespace wendrake
