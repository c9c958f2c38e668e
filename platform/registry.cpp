#include "platform/registry.h"

#include <objbase.h>

#include "platform/failure.h"
#include "platform/handles.h"

namespace wendrake {
namespace {

std::wstring SectionKey(const std::wstring& application, const std::wstring& section) {
  return L"Software\\VB and VBA Program Settings\\" + application + L"\\" + section;
}

}  // namespace

std::wstring ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* name,
                              REGSAM view) {
  RegKey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.Put()) != ERROR_SUCCESS) {
    return {};
  }
  // The value may change size between the two calls if another program writes.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD bytes = 0;
    if (::RegGetValueW(key.Get(), nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
        ERROR_SUCCESS) {
      return {};
    }
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    const LSTATUS status =
        ::RegGetValueW(key.Get(), nullptr, name, RRF_RT_REG_SZ, nullptr, value.data(), &bytes);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return {};
    value.resize(value.find(L'\0'));
    return value;
  }
  return {};
}

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

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
