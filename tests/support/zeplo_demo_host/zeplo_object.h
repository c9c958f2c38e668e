// The demo host's automation object: the part of the CAD application's
// "ZeploProgram" that the picker talks to, members 158 and 159.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <wrl/client.h>

#include <string_view>

#include "command_line.h"

namespace demo_host {

// Where objects report what happens to them; the host window shows and logs it.
class EventSink {
 public:
  virtual void Record(std::wstring_view event) noexcept = 0;

 protected:
  ~EventSink() = default;
};

// Shared by the class factory, the message filter and every object. It outlives
// CoUninitialize, which releases whatever objects clients left behind.
struct ServerContext {
  const Options& options;
  EventSink& sink;
  IID interface_id = GUID_NULL;  // the release's interface; GUID_NULL: IDispatch alone
  ULONGLONG busy_until = 0;      // tick count until which every call is turned away
  LONG live_objects = 0;         // over all objects: did clients release all they made?
};

// Null when out of memory.
Microsoft::WRL::ComPtr<IClassFactory> MakeClassFactory(ServerContext& context);
// Turns calls away while the context says busy, as while the CAD application
// runs a command or shows a dialog.
Microsoft::WRL::ComPtr<IMessageFilter> MakeBusyFilter(ServerContext& context);

}  // namespace demo_host
