// VUX-Wendrake: picks the plotter the MORKA CAD application plots with.
#include <windows.h>

#include "platform/application.h"
#include "platform/messages.h"
#include "window/wendrake_frm1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything loads a DLL on demand (COM, the common controls, input
  // methods): such loads then look in System32 alone, never in the current
  // folder, where a planted DLL would run with the user's rights.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  using namespace wendrake;
  try {
    Application app(L"Local\\L-VORDANS.VUX-Wendrake");
    Wendrake_frm1 form(app);
    form.Create();
    form.Form_Load();
    if (form.Hwnd() != nullptr) form.Show();
    return app.Run();
  } catch (...) {
    // `form` and its window are gone by now, so the box's message loop
    // finds nothing of them.
    ReportUnhandledFailure(nullptr);
  }
}
