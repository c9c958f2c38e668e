// The reason the picker exists: the selected plotter's two files go to the
// host application, which is then brought to the front.
#include <initguid.h>

#include "host/plotter_handoff.h"
#include "platform/automation.h"
#include "window/wendrake_frm1.h"
#include "zeplo_program.h"

namespace wendrake {

void Wendrake_frm1::lst_Wendraken_Click() {
  try {
    HostApp = CreateObject(L"ZeploProgram", DIID_IZeploProgram);
    const LRESULT row = ::SendMessageW(lst_Wendraken, LB_GETCURSEL, 0, 0);
    const PlotterEntry& entry = EntryAt(Plotters, static_cast<int16_t>(row));
    InvokeMethod(HostApp.Get(), kLoadFirstFile, HostFilePath(CommonDataPath, entry.File1));
    InvokeMethod(HostApp.Get(), kLoadSecondFile, HostFilePath(CommonDataPath, entry.File2));
    AppActivate(kHostTitle);
    HostApp.Reset();
  } catch (const Failure& failure) {
    // The host may simply not be running yet, or refuse a file: the user
    // can fix that and click again, so the picker stays.
    HostApp.Reset();
    ShowMessage(Hwnd(), HandOffFailureText(failure.Code(), failure.Description()), L"VUX-Wendrake");
  }
}

}  // namespace wendrake
