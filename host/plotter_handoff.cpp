#include "host/plotter_handoff.h"

#include <commctrl.h>
#include <objbase.h>

#include "host/busy_retry.h"
#include "platform/automation.h"
#include "platform/messages.h"

namespace wendrake {
namespace {

// The host's object, its members that take the plotter's files, and the
// title of its window.
constexpr wchar_t kHostProgId[] = L"ZeploProgram";
constexpr DISPID kLoadFirstFile = 158;
constexpr DISPID kLoadSecondFile = 159;
constexpr wchar_t kHostTitle[] = L"MORKA";

// A file of the host's data folder. Plain concatenation: an empty file name
// still names the folder.
std::wstring HostFilePath(const std::wstring& commonDataPath, const std::wstring& file) {
  return commonDataPath + L"\\L-VORDANS\\MORKA\\" + file;
}

std::wstring BusyText(const std::wstring& plotter, bool firstFileHandedOver) {
  std::wstring text = L"MORKA ist beschäftigt und nimmt den Plotter „" + plotter +
                      L"“ zurzeit nicht an. Vielleicht läuft dort ein Befehl, oder ein Dialog "
                      L"ist offen.\n\n";
  if (firstFileHandedOver) {
    text += L"Die erste Datei hat MORKA schon erhalten, die zweite noch nicht.\n\n";
  }
  return text + L"Wiederholen: weitere 10 Sekunden warten.\nAbbrechen: " +
         (firstFileHandedOver ? L"die zweite Datei nicht übergeben."
                              : L"den Plotter nicht übergeben.");
}

std::wstring PartialHandOffText(const std::wstring& plotter, const std::wstring& secondFilePath) {
  return L"Der Plotter „" + plotter +
         L"“ wurde nur zum Teil an MORKA übergeben: MORKA hat die erste Datei erhalten, die "
         L"zweite nicht:\n\n" +
         secondFilePath + L"\n\nWählen Sie den Plotter noch einmal, wenn MORKA wieder bereit ist.";
}

// Only paint messages are dispatched: the window stays drawn, and no click
// starts a second hand-off or closes the window in the middle of this one.
void PauseKeepingPainted(uint32_t milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
      ::DispatchMessageW(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_PAINT);
  }
}

// German buttons whatever the language of Windows, which a message box
// would take its button texts from.
bool AskToWait(HWND owner, const std::wstring& text) {
  const TASKDIALOG_BUTTON buttons[] = {{IDRETRY, L"Wiederholen"}, {IDCANCEL, L"Abbrechen"}};
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = kCaption;
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszContent = text.c_str();
  config.cButtons = 2;
  config.pButtons = buttons;
  config.nDefaultButton = IDRETRY;
  int pressed = IDCANCEL;
  if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
    pressed = ::MessageBoxW(owner, text.c_str(), kCaption, MB_RETRYCANCEL | MB_ICONEXCLAMATION);
  }
  return pressed == IDRETRY;
}

// Where COM asks the caller about a turned-away call (Windows does), it
// makes the call again after the pause the retry allows; where it does not
// (Wine), the call fails and the hand-off tries again itself. Lives on the
// stack of one hand-off, registered for exactly that long.
class HostCallFilter final : public IMessageFilter {
 public:
  explicit HostCallFilter(const BusyRetry& retry) : retry_(retry) {
    registered_ = SUCCEEDED(::CoRegisterMessageFilter(this, &previous_));
  }
  HostCallFilter(const HostCallFilter&) = delete;
  HostCallFilter& operator=(const HostCallFilter&) = delete;
  ~HostCallFilter() {
    IMessageFilter* self = nullptr;
    if (registered_) ::CoRegisterMessageFilter(previous_, &self);
    if (previous_ != nullptr) previous_->Release();
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IMessageFilter) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IMessageFilter*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  STDMETHODIMP_(DWORD) HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override {
    return SERVERCALL_ISHANDLED;
  }
  STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK, DWORD, DWORD) override {
    const uint32_t delay = retry_.RetryDelay();
    return delay > 0 ? delay : static_cast<DWORD>(-1);  // -1: the call fails as turned away
  }
  STDMETHODIMP_(DWORD) MessagePending(HTASK, DWORD, DWORD) override {
    return PENDINGMSG_WAITDEFPROCESS;  // paints go on, input waits
  }

 private:
  const BusyRetry& retry_;
  IMessageFilter* previous_ = nullptr;
  bool registered_ = false;
};

// Hands one plotter over; any failure but the user's giving up on a busy
// host leaves with its code.
void HandOff(HWND owner, const std::wstring& commonDataPath, const PlotterEntry& entry) {
  bool firstHandedOver = false;
  BusyRetry retry({[] { return static_cast<uint64_t>(::GetTickCount64()); }, PauseKeepingPainted,
                   [&] { return AskToWait(owner, BusyText(entry.Name, firstHandedOver)); }});
  const HostCallFilter filter(retry);
  const BusyWait whenBusy = [&] { retry.OnTurnedAway(); };
  try {
    retry.NewStep();
    const Microsoft::WRL::ComPtr<IDispatch> HostApp = CreateObject(kHostProgId, whenBusy);
    // A dialog the host opens for a file may come to the front only with the
    // right the picker, which has the user's click, passes on.
    ::CoAllowSetForegroundWindow(HostApp.Get(), nullptr);
    retry.NewStep();
    InvokeMethod(HostApp.Get(), kLoadFirstFile, HostFilePath(commonDataPath, entry.File1),
                 whenBusy);
    firstHandedOver = true;
    retry.NewStep();
    InvokeMethod(HostApp.Get(), kLoadSecondFile, HostFilePath(commonDataPath, entry.File2),
                 whenBusy);
    AppActivate(kHostTitle);
  } catch (const Failure& failure) {
    if (failure.Code() != code::kUserInterrupt) throw;
    // The user chose to stop waiting; only half a plotter is worth a word.
    if (firstHandedOver) {
      ShowMessage(owner, PartialHandOffText(entry.Name, HostFilePath(commonDataPath, entry.File2)),
                  kCaption);
    }
  }
}

}  // namespace

void HandOffPlotter(HWND owner, const std::wstring& commonDataPath, const PlotterTable& plotters,
                    int16_t row) {
  try {
    HandOff(owner, commonDataPath, EntryAt(plotters, row));
  } catch (...) {
    // The host may simply not be running yet, or refuse a file: the user
    // can fix that and click again, so the picker stays.
    const Failure failure = CurrentFailure();
    ShowMessage(owner,
                L"Der Plotter konnte nicht an MORKA übergeben werden.\n\nFehler " +
                    std::to_wstring(failure.Code()) + L": " + failure.Description(),
                kCaption);
  }
}

}  // namespace wendrake
