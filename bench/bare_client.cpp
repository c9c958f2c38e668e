// The baseline for the picker's hand-off: what any automation client must do
// to pass two files to the host, with nothing around it. One round is
// CLSIDFromProgID, CoCreateInstance on the local server, QueryInterface for
// the host's dispinterface, Invoke 158 and 159 with one BSTR each, Release.
//
//   bare_client [OPTION]...                     one round now; prints each step's time
//   bare_client [OPTION]... --resident NAME [--times FILE]
//
// Resident, it initialises COM as the picker does at start, sets the event
// NAME.ready, then runs one round each time NAME.go is set until NAME.quit
// is set, pumping messages while it waits as the picker's loop does. The
// bench timer signals it and watches the host's log, exactly as it clicks the
// picker and watches the log: process start and COM initialisation are
// outside the timed span on both sides, and first-use costs inside COM are
// paid once per process on both sides. With --times each round appends its
// own clock readings to FILE.
//
// Options that add, for bench/run --breakdown, what the picker does beyond
// the bare calls:
//   --inproc-too  asks for an in-process server first, as the picker does
//   --activate    brings the window titled MORKA to the front before Release
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <string>

#include <initguid.h>
#include "zeplo_host.h"

#include "clock.h"

namespace {

constexpr const wchar_t* kFiles[2][2] = {
    {L"C:\\ProgramData\\L-VORDANS\\MORKA\\kaskad600.zpk",
     L"C:\\ProgramData\\L-VORDANS\\MORKA\\einfarbig.zst"},
    {L"C:\\ProgramData\\L-VORDANS\\MORKA\\a3farbe.zpk",
     L"C:\\ProgramData\\L-VORDANS\\MORKA\\farbe.zst"},
};

struct RoundTimes {
  double created;  // CLSIDFromProgID, CoCreateInstance and QueryInterface
  double invoked;  // up to the return of the second Invoke
  double released;
};

HRESULT InvokeWithText(IDispatch* object, DISPID member, const wchar_t* text) {
  VARIANT argument;
  ::VariantInit(&argument);
  argument.vt = VT_BSTR;
  argument.bstrVal = ::SysAllocString(text);
  DISPPARAMS params{&argument, nullptr, 1, 0};
  EXCEPINFO exception{};
  UINT badArgument = 0;
  const HRESULT hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                    nullptr, &exception, &badArgument);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  ::VariantClear(&argument);
  return hr;
}

struct Options {
  bool inprocToo = false;
  bool activate = false;
};
Options options;

HRESULT Round(int which, RoundTimes& times) {
  const double start = Now();
  CLSID clsid{};
  HRESULT hr = ::CLSIDFromProgID(L"ZeploProgram", &clsid);
  IUnknown* object = nullptr;
  if (SUCCEEDED(hr)) {
    const DWORD context =
        options.inprocToo ? CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER : CLSCTX_LOCAL_SERVER;
    hr = ::CoCreateInstance(clsid, nullptr, context, IID_IUnknown,
                            reinterpret_cast<void**>(&object));
  }
  if (FAILED(hr)) return hr;
  IDispatch* host = nullptr;
  hr = object->QueryInterface(DIID_IZeploProgram, reinterpret_cast<void**>(&host));
  times.created = Now() - start;
  if (SUCCEEDED(hr)) hr = InvokeWithText(host, 158, kFiles[which % 2][0]);
  if (SUCCEEDED(hr)) hr = InvokeWithText(host, 159, kFiles[which % 2][1]);
  times.invoked = Now() - start;
  if (options.activate) {
    if (const HWND window = ::FindWindowW(nullptr, L"MORKA")) ::SetForegroundWindow(window);
  }
  if (host != nullptr) host->Release();
  object->Release();
  times.released = Now() - start;
  return hr;
}

HANDLE OpenNamedEvent(const std::wstring& name) {
  return ::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name.c_str());
}

// Waits for one of the events while the apartment's messages are handled.
DWORD WaitPumping(HANDLE go, HANDLE quit) {
  const HANDLE events[] = {go, quit};
  for (;;) {
    const DWORD woken = ::MsgWaitForMultipleObjectsEx(2, events, INFINITE, QS_ALLINPUT, 0);
    if (woken != WAIT_OBJECT_0 + 2) return woken;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
}

int Resident(const std::wstring& name, const wchar_t* timesPath) {
  const HANDLE ready = OpenNamedEvent(name + L".ready");
  const HANDLE go = OpenNamedEvent(name + L".go");
  const HANDLE quit = OpenNamedEvent(name + L".quit");
  if (ready == nullptr || go == nullptr || quit == nullptr) {
    std::fwprintf(stderr, L"bare_client: the events %ls.* do not exist\n", name.c_str());
    return 2;
  }
  FILE* times = timesPath != nullptr ? _wfopen(timesPath, L"w") : nullptr;
  ::SetEvent(ready);
  for (int round = 0; WaitPumping(go, quit) == WAIT_OBJECT_0; ++round) {
    RoundTimes t{};
    const HRESULT hr = Round(round, t);
    if (FAILED(hr)) {
      std::fwprintf(stderr, L"bare_client: round %d failed: 0x%08lX\n", round,
                    static_cast<unsigned long>(hr));
      return 1;
    }
    if (times != nullptr) {
      std::fprintf(times, "%d %.3f %.3f %.3f\n", round, t.created, t.invoked, t.released);
      std::fflush(times);
    }
  }
  if (times != nullptr) std::fclose(times);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const double start = Now();
  const wchar_t* resident = nullptr;
  const wchar_t* timesPath = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--inproc-too") {
      options.inprocToo = true;
    } else if (arg == L"--activate") {
      options.activate = true;
    } else if (arg == L"--resident" && i + 1 < argc) {
      resident = argv[++i];
    } else if (arg == L"--times" && i + 1 < argc) {
      timesPath = argv[++i];
    } else {
      std::fwprintf(stderr, L"bare_client: unknown option %ls\n", arg.c_str());
      return 2;
    }
  }
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  const double initialised = Now() - start;
  int result = 0;
  if (resident != nullptr) {
    result = Resident(resident, timesPath);
  } else {
    RoundTimes t{};
    const HRESULT hr = Round(0, t);
    if (FAILED(hr)) {
      std::wprintf(L"failed: 0x%08lX\n", static_cast<unsigned long>(hr));
      result = 1;
    } else {
      std::wprintf(
          L"CoInitializeEx %.2f ms; then created %.2f ms, both invoked %.2f ms, released %.2f "
          L"ms\n",
          initialised, t.created, t.invoked, t.released);
    }
  }
  ::CoUninitialize();
  return result;
}
