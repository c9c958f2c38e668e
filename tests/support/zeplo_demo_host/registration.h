// The demo host's registration as the "ZeploProgram" automation server, per
// user, beside a registration of the CAD application's that it never breaks.
#pragma once

#include <windows.h>

#include "event_log.h"

namespace demo_host {

// Both return an exit code. Registering names the release `typelib` (0: none)
// in the command line COM starts the host with.
int Register(EventLog& log, int typelib);
int Unregister(EventLog& log);

// The interface release `typelib` declares; GUID_NULL for none or when unreadable.
IID ServedInterface(int typelib);

}  // namespace demo_host
