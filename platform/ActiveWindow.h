// Whether the user is working in one of the program's own windows.
#pragma once

#include <cstdint>

namespace tolvane {

using WindowHandle = std::uintptr_t;  // 0 is no window

class ActiveWindow {
 public:
  virtual ~ActiveWindow() = default;
  // True when the active window is any window of this program: the main window, a dialog,
  // the about box or a message box. Keys typed then would land in the program itself.
  virtual bool ProgramWindowActive() const = 0;
};

}  // namespace tolvane
