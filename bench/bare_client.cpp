// The least an automation client of MORKA's own interface does to hand it a
// plotter's two files, its interface id compiled in: the baseline for the
// picker's click. `bare_client EVENT` stays resident
// with COM set up, as the picker is when clicked, and hands off each time the
// named event is set, pumping its apartment's messages as the picker does.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <initguid.h>
#include "zeplo_host.h"

HRESULT Call(IDispatch* host, DISPID member, const wchar_t* file) {
  VARIANT argument{};
  argument.vt = VT_BSTR;
  argument.bstrVal = ::SysAllocString(file);
  DISPPARAMS params{&argument, nullptr, 1, 0};
  const HRESULT hr = host->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  nullptr, nullptr, nullptr);
  ::VariantClear(&argument);
  return hr;
}

HRESULT HandOff() {
  CLSID clsid{};
  IUnknown* object = nullptr;
  IDispatch* host = nullptr;
  HRESULT hr = ::CLSIDFromProgID(L"ZeploProgram", &clsid);
  if (SUCCEEDED(hr))
    hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&object));
  if (SUCCEEDED(hr))
    hr = object->QueryInterface(DIID_IZeploProgram, reinterpret_cast<void**>(&host));
  if (SUCCEEDED(hr)) hr = Call(host, 158, L"C:\\ProgramData\\L-VORDANS\\MORKA\\kaskad600.zpk");
  if (SUCCEEDED(hr)) hr = Call(host, 159, L"C:\\ProgramData\\L-VORDANS\\MORKA\\einfarbig.zst");
  if (host != nullptr) host->Release();
  if (object != nullptr) object->Release();
  return hr;
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 || FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  const HANDLE go = ::OpenEventW(SYNCHRONIZE, FALSE, argv[1]);
  if (go == nullptr) return 2;
  for (;;) {
    const DWORD woken = ::MsgWaitForMultipleObjects(1, &go, FALSE, INFINITE, QS_ALLINPUT);
    // A failed hand-off ends the program, which the timer reports.
    if (woken == WAIT_FAILED || (woken == WAIT_OBJECT_0 && FAILED(HandOff()))) return 1;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}
