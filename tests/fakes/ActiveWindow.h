// Active-window double: the test says whether one of the program's windows is active, and what
// stands between typed keys and the window in front.
#pragma once

#include "platform/ActiveWindow.h"

namespace tolvane::fake {

class ActiveWindow : public tolvane::ActiveWindow {
 public:
  bool ProgramWindowActive() const override { return programActive; }
  ForegroundInput Foreground() const override { return foreground; }
  bool programActive = false;
  ForegroundInput foreground;
};

}  // namespace tolvane::fake
