// Active-window double: the test says whether one of the program's windows is active.
#pragma once

#include "platform/ActiveWindow.h"

namespace tolvane::fake {

class ActiveWindow : public tolvane::ActiveWindow {
 public:
  bool ProgramWindowActive() const override { return programActive; }
  bool programActive = false;
};

}  // namespace tolvane::fake
