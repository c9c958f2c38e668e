#include "registration.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "command_line.h"
#include "platform/registry.h"
#include "zeplo_host.h"

// oleauto.h of MinGW-w64 lacks the per-user variants oleaut32 exports.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* help_dir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID library, WORD major, WORD minor, LCID lcid,
                                        SYSKIND syskind);
}

namespace demo_host {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kProgId[] = L"ZeploProgram";

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring ModulePath() {
  std::wstring path(32768, L'\0');  // the longest path Windows has
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

// A tree of class registrations: the user's own, or HKEY_CLASSES_ROOT.
struct Root {
  HKEY key;
  const wchar_t* prefix;
  const wchar_t* name;  // for messages
  std::wstring Class() const { return prefix + (L"CLSID\\" + GuidText(CLSID_ZeploProgram)); }
  std::wstring ProgId() const { return prefix + std::wstring(kProgId); }
};

// Windows shows the user's classes in HKEY_CLASSES_ROOT; Wine 8 shows only the
// machine's there, and its COM looks nowhere else. Under Wine the class is
// registered in HKEY_CLASSES_ROOT as well, or COM would not find it.
std::vector<Root> Roots() {
  const Root user{HKEY_CURRENT_USER, L"Software\\Classes\\", L"HKCU"};
  const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
  if (!wine) return {user};
  return {user, Root{HKEY_CLASSES_ROOT, L"", L"HKCR"}};
}

// The CAD application registers the same class and type library. A registration
// that names an existing program other than a demo host is the real host's: the
// demo host neither replaces nor removes it, or the user's installation would
// stop working. Any copy of the demo host, or a program that is gone, may be
// replaced. `registered` is a LocalServer32 command line, quoted or not, or a
// type library's path, which may name a resource of an exe ("...\program.exe\2").
// Returns that other program, or "".
std::wstring OtherProgram(const std::wstring& registered) {
  std::wstring program = registered.substr(registered.starts_with(L'"') ? 1 : 0);
  for (size_t i = 4; i < program.size(); ++i) {
    const bool after_exe =
        (program[i] == L' ' || program[i] == L'\\') && _wcsnicmp(&program[i - 4], L".exe", 4) == 0;
    if (program[i] == L'"' || after_exe) {
      program.resize(i);
      break;
    }
  }
  if (program.empty() || GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  const size_t slash = program.find_last_of(L"\\/");
  const wchar_t* name = program.c_str() + (slash == std::wstring::npos ? 0 : slash + 1);
  return _wcsicmp(name, L"ZeploDemoHost.exe") == 0 ? std::wstring() : program;
}

std::wstring OtherServer(const Root& root) {
  return OtherProgram(
      wendrake::ReadRegistryText(root.key, root.Class() + L"\\LocalServer32", nullptr));
}

void RemoveClass(const std::vector<Root>& roots) {
  for (const Root& root : roots) {
    RegDeleteTreeW(root.key, root.Class().c_str());
    RegDeleteTreeW(root.key, root.ProgId().c_str());
  }
}

// A release of the type library: resource `number` of the exe.
struct Release {
  ComPtr<ITypeLib> library;
  TLIBATTR attributes{};
};

// Registering and unregistering need the library and stop without it, reported
// to `log`; serving goes on with IDispatch alone.
bool LoadRelease(int number, Release& release, EventLog* log) {
  const std::wstring resource = ModulePath() + L"\\" + std::to_wstring(number);
  HRESULT hr = LoadTypeLibEx(resource.c_str(), REGKIND_NONE, &release.library);
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(hr)) hr = release.library->GetLibAttr(&attributes);
  if (FAILED(hr)) {
    if (log)
      log->Error(L"cannot load type library " + std::to_wstring(number) + L": " + HresultText(hr));
    return false;
  }
  release.attributes = *attributes;
  release.library->ReleaseTLibAttr(attributes);
  return true;
}

std::wstring RegisteredPath(const TLIBATTR& a) {
  BSTR path = nullptr;
  if (FAILED(QueryPathOfRegTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, &path))) {
    return {};
  }
  const std::unique_ptr<OLECHAR, decltype(&SysFreeString)> owner(path, &SysFreeString);
  return std::wstring(path, SysStringLen(path));
}

}  // namespace

int Register(EventLog& log, int typelib) {
  Release release;
  if (typelib != 0 && !LoadRelease(typelib, release, &log)) return kFailed;
  const std::vector<Root> roots = Roots();
  for (const Root& root : roots) {
    if (const std::wstring other = OtherServer(root); !other.empty()) {
      log.Error(std::wstring(kProgId) + L" is registered in " + root.name + L" for " + other +
                L"; not replacing that registration");
      return kFailed;
    }
  }
  // The TypeLib and Version keys of an earlier release must not outlive a change.
  RemoveClass(roots);

  const std::wstring exe = ModulePath();
  const TLIBATTR& a = release.attributes;
  wchar_t version[16] = {};
  wsprintfW(version, L"%x.%x", a.wMajorVerNum, a.wMinorVerNum);
  for (const Root& root : roots) {
    const std::wstring clsid = root.Class();
    const std::pair<std::wstring, std::wstring> values[] = {
        {root.ProgId(), kProgId},
        {root.ProgId() + L"\\CLSID", GuidText(CLSID_ZeploProgram)},
        {clsid, kProgId},
        {clsid + L"\\ProgID", kProgId},
        {clsid + L"\\LocalServer32",
         L"\"" + exe + L"\" --typelib " + (typelib ? std::to_wstring(typelib) : L"none")},
        {clsid + L"\\TypeLib", typelib ? GuidText(a.guid) : L""},
        {clsid + L"\\Version", typelib ? version : L""}};
    for (const auto& [key, value] : values) {
      if (value.empty()) continue;  // no type library, no TypeLib and Version
      const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
      if (const LSTATUS status =
              RegSetKeyValueW(root.key, key.c_str(), nullptr, REG_SZ, value.c_str(), bytes);
          status != ERROR_SUCCESS) {
        log.Error(L"cannot write " + std::wstring(root.name) + L"\\" + key + L": error " +
                  std::to_wstring(status));
        RemoveClass(roots);
        return kFailed;
      }
    }
  }
  // Out of process, COM marshals IZeploProgram only with its type library
  // registered; one registered for the CAD application's copy is the same.
  if (typelib == 0 || !OtherProgram(RegisteredPath(a)).empty()) return kOk;
  std::wstring path = exe + L"\\" + std::to_wstring(typelib);
  if (const HRESULT hr = RegisterTypeLibForUser(release.library.Get(), path.data(), nullptr);
      FAILED(hr)) {
    log.Error(L"cannot register the type library: " + HresultText(hr));
    RemoveClass(roots);
    return kFailed;
  }
  return kOk;
}

int Unregister(EventLog& log) {
  int result = kOk;
  for (const Root& root : Roots()) {
    if (!OtherServer(root).empty()) continue;
    for (const std::wstring& key : {root.Class(), root.ProgId()}) {
      const LSTATUS status = RegDeleteTreeW(root.key, key.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        log.Error(L"cannot remove " + std::wstring(root.name) + L"\\" + key + L": error " +
                  std::to_wstring(status));
        result = kFailed;
      }
    }
  }
  for (int typelib : {1, 2}) {
    Release release;
    if (!LoadRelease(typelib, release, &log)) return kFailed;
    const TLIBATTR& a = release.attributes;
    const std::wstring registered = RegisteredPath(a);
    if (registered.empty() || !OtherProgram(registered).empty()) continue;
    if (const HRESULT hr =
            UnRegisterTypeLibForUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
        FAILED(hr)) {
      log.Error(L"cannot unregister the type library: " + HresultText(hr));
      result = kFailed;
    }
  }
  return result;
}

// The first type the class implements.
IID ServedInterface(int typelib) {
  Release release;
  ComPtr<ITypeInfo> coclass;
  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> served;
  TYPEATTR* attributes = nullptr;
  if (typelib == 0 || !LoadRelease(typelib, release, nullptr) ||
      FAILED(release.library->GetTypeInfoOfGuid(CLSID_ZeploProgram, &coclass)) ||
      FAILED(coclass->GetRefTypeOfImplType(0, &reference)) ||
      FAILED(coclass->GetRefTypeInfo(reference, &served)) ||
      FAILED(served->GetTypeAttr(&attributes))) {
    return GUID_NULL;
  }
  const IID id = attributes->guid;
  served->ReleaseTypeAttr(attributes);
  return id;
}

}  // namespace demo_host
