// The demo host's registration as "ZeploProgram", per user, beside a
// registration of the CAD application's that it never breaks.
#include "host.h"

#include <cwchar>
#include <vector>

#include "platform/registry.h"
#include "zeplo_host.h"

// oleauto.h of MinGW-w64 lacks the per-user variants oleaut32 exports.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* help);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID library, WORD major, WORD minor,
                                                   LCID lcid, SYSKIND syskind);

namespace demo_host {
namespace {

using wendrake::GuidText;

constexpr wchar_t kProgId[] = L"ZeploProgram";

std::wstring ModulePath() {
  std::wstring path(32768, L'\0');  // the longest path Windows has
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

// A tree of class registrations, the user's own or HKEY_CLASSES_ROOT. Windows
// shows the user's classes in the latter; Wine 8 shows only the machine's there,
// and its COM looks nowhere else: under Wine, both.
struct Root {
  HKEY key;
  const wchar_t* prefix;
  std::wstring Class() const { return prefix + (L"CLSID\\" + GuidText(CLSID_ZeploProgram)); }
  std::wstring ProgId() const { return prefix + std::wstring(kProgId); }
};

std::vector<Root> Roots() {
  const Root user{HKEY_CURRENT_USER, L"Software\\Classes\\"};
  if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return {user};
  return {user, Root{HKEY_CLASSES_ROOT, L""}};
}

// The CAD application registers the same class and type library: the demo host
// neither replaces nor removes that, or the user's installation would break.
// Returns the existing program other than a demo host that `registered` names,
// or "": a LocalServer32 command line, quoted or not, or a type library's path,
// which may name a resource of an exe ("...\program.exe\2").
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
  const size_t name = program.find_last_of(L"\\/") + 1;  // npos + 1 is 0: no folder
  return _wcsicmp(program.c_str() + name, L"ZeploDemoHost.exe") == 0 ? std::wstring() : program;
}

std::wstring OtherServer(const Root& root) {
  return OtherProgram(
      wendrake::ReadRegistryText(root.key, root.Class() + L"\\LocalServer32", nullptr));
}

// Removes the class wherever it is not another program's.
int RemoveClass(EventLog& log) {
  int result = kOk;
  for (const Root& root : Roots()) {
    if (!OtherServer(root).empty()) continue;
    for (const std::wstring& key : {root.Class(), root.ProgId()}) {
      const LSTATUS status = RegDeleteTreeW(root.key, key.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        result = log.Fail(L"cannot remove " + key, status);
    }
  }
  return result;
}

// The type library of release `number`, resource `number` of the exe.
HRESULT LoadRelease(int number, ComPtr<ITypeLib>& library, TLIBATTR& a) {
  const std::wstring resource = ModulePath() + L"\\" + std::to_wstring(number);
  HRESULT hr = LoadTypeLibEx(resource.c_str(), REGKIND_NONE, &library);
  TLIBATTR* attributes = nullptr;
  if (SUCCEEDED(hr)) hr = library->GetLibAttr(&attributes);
  if (FAILED(hr)) return hr;
  a = *attributes;
  library->ReleaseTLibAttr(attributes);
  return S_OK;
}

// Where the type library `a` is registered, or "".
std::wstring RegisteredPath(const TLIBATTR& a) {
  BSTR path = nullptr;
  if (FAILED(QueryPathOfRegTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, &path)))
    return {};
  const std::unique_ptr<OLECHAR, decltype(&SysFreeString)> owner(path, &SysFreeString);
  return std::wstring(path, SysStringLen(path));
}

}  // namespace

int Register(EventLog& log, int typelib) {
  ComPtr<ITypeLib> library;
  TLIBATTR a{};
  if (const HRESULT hr = typelib ? LoadRelease(typelib, library, a) : S_OK; FAILED(hr))
    return log.Fail(L"cannot load type library " + std::to_wstring(typelib), hr);
  for (const Root& root : Roots()) {
    if (const std::wstring other = OtherServer(root); !other.empty())
      return log.Fail(root.Class() + L" names " + other + L"; not replacing that registration");
  }
  // The TypeLib and Version keys of an earlier release must not outlive a change.
  if (RemoveClass(log) != kOk) return kFailed;
  const auto undo = [&](const std::wstring& what, unsigned long code) {
    log.Fail(what, code);
    RemoveClass(log);
    return kFailed;
  };

  const std::wstring exe = ModulePath();
  wchar_t version[16] = {};
  wsprintfW(version, L"%x.%x", a.wMajorVerNum, a.wMinorVerNum);
  for (const Root& root : Roots()) {
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
              RegSetKeyValueW(root.key, key.c_str(), nullptr, REG_SZ, value.c_str(), bytes))
        return undo(L"cannot write " + key, status);
    }
  }
  // Out of process, COM marshals IZeploProgram only with its type library
  // registered; one registered for the CAD application's copy is the same.
  if (typelib == 0 || !OtherProgram(RegisteredPath(a)).empty()) return kOk;
  std::wstring path = exe + L"\\" + std::to_wstring(typelib);
  if (const HRESULT hr = RegisterTypeLibForUser(library.Get(), path.data(), nullptr); FAILED(hr))
    return undo(L"cannot register the type library", hr);
  return kOk;
}

int Unregister(EventLog& log) {
  int result = RemoveClass(log);
  for (int typelib : {1, 2}) {
    ComPtr<ITypeLib> library;
    TLIBATTR a{};
    if (const HRESULT hr = LoadRelease(typelib, library, a); FAILED(hr))
      return log.Fail(L"cannot load type library " + std::to_wstring(typelib), hr);
    const std::wstring registered = RegisteredPath(a);
    if (registered.empty() || !OtherProgram(registered).empty()) continue;
    if (const HRESULT hr =
            UnRegisterTypeLibForUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
        FAILED(hr))
      result = log.Fail(L"cannot unregister the type library", hr);
  }
  return result;
}

// The library's first type, which the class implements.
IID ServedInterface(int typelib) {
  ComPtr<ITypeLib> library;
  TLIBATTR a{};
  ComPtr<ITypeInfo> served;
  TYPEATTR* attributes = nullptr;
  if (typelib == 0 || FAILED(LoadRelease(typelib, library, a)) ||
      FAILED(library->GetTypeInfo(0, &served)) || FAILED(served->GetTypeAttr(&attributes)))
    return GUID_NULL;
  const IID id = attributes->guid;
  served->ReleaseTypeAttr(attributes);
  return id;
}

}  // namespace demo_host
