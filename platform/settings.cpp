#include "platform/settings.h"

#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/system_error.h"

namespace wendrake {
namespace {

std::wstring SectionKey(const std::wstring& application, const std::wstring& section) {
  return L"Software\\VB and VBA Program Settings\\" + application + L"\\" + section;
}

}  // namespace

std::wstring GetSetting(const std::wstring& application, const std::wstring& section,
                        const std::wstring& key) {
  return ReadRegistryText(HKEY_CURRENT_USER, SectionKey(application, section), key.c_str());
}

void SaveSetting(const std::wstring& application, const std::wstring& section,
                 const std::wstring& key, const std::wstring& value) {
  RegKey hkey;
  const std::wstring path = SectionKey(application, section);
  LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, hkey.Put(), nullptr);
  if (status != ERROR_SUCCESS) ThrowSystemError(static_cast<DWORD>(status));
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  status = ::RegSetValueExW(hkey.Get(), key.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()), bytes);
  if (status != ERROR_SUCCESS) ThrowSystemError(static_cast<DWORD>(status));
}

}  // namespace wendrake
