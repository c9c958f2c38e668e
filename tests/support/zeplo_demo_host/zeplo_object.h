// The demo host's automation object: the part of the CAD application's
// "ZeploProgram" that the picker talks to, members 158 and 159.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <optional>
#include <string>
#include <string_view>

namespace demo_host {

// What a member raises instead of doing its work, the way the host's own
// automation reports a failed command.
struct RaisedError {
  WORD code = 0;
  std::wstring description;
};

// Where objects report what happens to them; the host window shows and logs it.
class EventSink {
 public:
  virtual void Record(std::wstring_view log_line, std::wstring_view list_row) noexcept = 0;

 protected:
  ~EventSink() = default;
};

// Shared by the class factory and every object; owned by wWinMain and alive until
// after CoUninitialize, which releases whatever clients left behind.
struct ServerContext {
  // The release's automation interface; GUID_NULL without a type library.
  IID interface_id = GUID_NULL;
  bool answer_diid = true;  // false: a host of another version without that interface
  std::optional<RaisedError> fail_158;
  std::optional<RaisedError> fail_159;
  // A member that never returns, so that a test can end the host mid-call.
  std::optional<DISPID> stall;
  // Busy until this tick count: every incoming call is turned away, as while a
  // command runs or a dialog is open. With busy_after_158, a busy spell of that
  // length starts when member 158 has run.
  ULONGLONG busy_until = 0;
  DWORD busy_after_158 = 0;
  EventSink* sink = nullptr;
  // Null when the embedded type library could not be loaded; then the objects still
  // work by dispatch id but offer no type information.
  Microsoft::WRL::ComPtr<ITypeInfo> type_info;
};

// The factory to hand to CoRegisterClassObject.
Microsoft::WRL::ComPtr<IClassFactory> MakeClassFactory(ServerContext& context);

// The message filter that turns calls away while the context says busy.
Microsoft::WRL::ComPtr<IMessageFilter> MakeBusyFilter(ServerContext& context);

}  // namespace demo_host
