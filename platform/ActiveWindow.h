// Which of the program's windows is active, if any.
#pragma once

#include <cstdint>

namespace tolvane {

using WindowHandle = std::uintptr_t;  // 0 is no window

class ActiveWindow {
 public:
  virtual ~ActiveWindow() = default;
  // The active window of the calling thread; 0 when another program is active.
  virtual WindowHandle GetActiveWindow() const = 0;
};

}  // namespace tolvane
