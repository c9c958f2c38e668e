// Which interface the host's object is queried for: the id belongs to the
// host and changes with its releases, so it is read from the host's own
// registration rather than compiled in.
#include "platform/automation.h"

#include <oleauto.h>

#include <cwchar>
#include <optional>
#include <utility>

#include "platform/handles.h"
#include "platform/registry.h"

namespace wendrake {
namespace {

using Microsoft::WRL::ComPtr;

struct Version {
  WORD major = 0;
  WORD minor = 0;
};

// "1.0" as COM writes it, in hexadecimal.
std::optional<Version> ParseVersion(const std::wstring& text) {
  wchar_t* end = nullptr;
  const unsigned long major = std::wcstoul(text.c_str(), &end, 16);
  if (end == text.c_str() || *end != L'.') return std::nullopt;
  const wchar_t* minorText = end + 1;
  const unsigned long minor = std::wcstoul(minorText, &end, 16);
  if (end == minorText || major > 0xFFFF || minor > 0xFFFF) return std::nullopt;
  return Version{static_cast<WORD>(major), static_cast<WORD>(minor)};
}

// The highest release of the library registered, for a class that names its
// library but not the version.
std::optional<Version> HighestRegisteredVersion(const std::wstring& libid) {
  RegKey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"TypeLib\\" + libid).c_str(), 0, KEY_ENUMERATE_SUB_KEYS,
                      key.Put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<Version> highest;
  wchar_t name[64];
  for (DWORD i = 0, length = 64; ::RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr,
                                                 nullptr, nullptr) == ERROR_SUCCESS;
       ++i, length = 64) {
    const std::optional<Version> v = ParseVersion(name);
    if (v && (!highest || std::make_pair(v->major, v->minor) >
                              std::make_pair(highest->major, highest->minor))) {
      highest = v;
    }
  }
  return highest;
}

class TypeAttr {
 public:
  explicit TypeAttr(ITypeInfo* info) : info_(info) {
    if (FAILED(info->GetTypeAttr(&attributes_))) attributes_ = nullptr;
  }
  TypeAttr(const TypeAttr&) = delete;
  TypeAttr& operator=(const TypeAttr&) = delete;
  ~TypeAttr() {
    if (attributes_ != nullptr) info_->ReleaseTypeAttr(attributes_);
  }
  explicit operator bool() const { return attributes_ != nullptr; }
  const TYPEATTR* operator->() const { return attributes_; }

 private:
  ITypeInfo* info_;
  TYPEATTR* attributes_ = nullptr;
};

// The class's default interface in the library: the one marked default, else
// the first, never an event source; only one that can be called through
// IDispatch.
std::optional<IID> DefaultInterfaceIn(ITypeLib* library, const CLSID& clsid) {
  ComPtr<ITypeInfo> coclass;
  if (FAILED(library->GetTypeInfoOfGuid(clsid, &coclass))) return std::nullopt;
  const TypeAttr attributes(coclass.Get());
  if (!attributes || attributes->typekind != TKIND_COCLASS) return std::nullopt;
  std::optional<UINT> chosen;
  for (UINT i = 0; i < attributes->cImplTypes; ++i) {
    INT flags = 0;
    if (FAILED(coclass->GetImplTypeFlags(i, &flags)) || (flags & IMPLTYPEFLAG_FSOURCE)) continue;
    if (!chosen || (flags & IMPLTYPEFLAG_FDEFAULT)) chosen = i;
    if (flags & IMPLTYPEFLAG_FDEFAULT) break;
  }
  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> info;
  if (!chosen || FAILED(coclass->GetRefTypeOfImplType(*chosen, &reference)) ||
      FAILED(coclass->GetRefTypeInfo(reference, &info))) {
    return std::nullopt;
  }
  const TypeAttr served(info.Get());
  if (!served || !(served->typekind == TKIND_DISPATCH || (served->typekind == TKIND_INTERFACE &&
                                                          (served->wTypeFlags & TYPEFLAG_FDUAL)))) {
    return std::nullopt;
  }
  return served->guid;
}

}  // namespace

IID DefaultInterfaceOf(const CLSID& clsid) {
  const std::wstring key = L"CLSID\\" + GuidText(clsid);
  // A 32-bit host registers its class in the 32-bit view; type libraries are
  // registered in one place for both.
  for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    const std::wstring libid =
        ReadRegistryText(HKEY_CLASSES_ROOT, key + L"\\TypeLib", nullptr, view);
    if (libid.empty()) continue;
    GUID library{};
    std::optional<Version> version =
        ParseVersion(ReadRegistryText(HKEY_CLASSES_ROOT, key + L"\\Version", nullptr, view));
    if (!version) version = HighestRegisteredVersion(libid);
    ComPtr<ITypeLib> loaded;
    if (FAILED(::IIDFromString(libid.c_str(), &library)) || !version ||
        FAILED(::LoadRegTypeLib(library, version->major, version->minor, ::GetUserDefaultLCID(),
                                &loaded))) {
      break;
    }
    if (const std::optional<IID> iid = DefaultInterfaceIn(loaded.Get(), clsid)) return *iid;
    break;
  }
  return IID_IDispatch;
}

}  // namespace wendrake
