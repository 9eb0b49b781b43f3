// Active-window double: the test says which window is active.
#pragma once

#include "platform/ActiveWindow.h"

namespace tolvane::fake {

class ActiveWindow : public tolvane::ActiveWindow {
 public:
  WindowHandle GetActiveWindow() const override { return active; }
  WindowHandle active = 0;
};

}  // namespace tolvane::fake
