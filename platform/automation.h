#pragma once
// Automation objects by ProgID, methods invoked by dispatch id, and window
// activation by title: what the hand-off to the host needs of COM and user32.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>
#include <string_view>

namespace wendrake {

// Called when the object turned a call away unrun, as a busy application
// does; returns to have the call made again, or throws to give up.
using BusyWait = std::function<void()>;

// Creates the object registered for `progId` (in-process or local server)
// and queries it for the interface that the class's registered type library
// names as its default; a class without one is reached through IDispatch.
// Fails with 429 when it cannot be created, 13 when it lacks the interface.
Microsoft::WRL::ComPtr<IDispatch> CreateObject(const wchar_t* progId, const BusyWait& whenBusy);

// The interface id a class's registered type library names as its default,
// read where a host of either bitness registers it; IID_IDispatch when it
// registers no usable type library.
IID DefaultInterfaceOf(const CLSID& clsid);

// Calls `member` as a method with one text argument by value. A failure the
// object raises arrives with the object's own code and description.
void InvokeMethod(IDispatch* object, DISPID member, const std::wstring& argument,
                  const BusyWait& whenBusy);

// Brings the top-level window titled `title` to the front (else one whose
// title begins with it), restoring it when minimised; 5 when there is none.
void AppActivate(std::wstring_view title);

}  // namespace wendrake
