#pragma once
// The process: one per run, created before the window.
#include <windows.h>

#include "platform/handles.h"

namespace wendrake {

// The previous-instance test, the single-threaded COM apartment the host's
// object lives in, the common controls, and the message loop.
class Application {
 public:
  explicit Application(const wchar_t* instanceName);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // True when another copy of the program was already running at start.
  bool PrevInstance() const { return prevInstance_; }
  // Runs the message loop until the program ends; returns the exit code.
  int Run();

 private:
  KernelHandle instanceMutex_;
  bool prevInstance_ = false;
  bool comInitialized_ = false;
};

}  // namespace wendrake
