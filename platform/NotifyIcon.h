// The notification-area icon: added at start-up, removed at shut-down, with a tip naming the
// program, and a balloon for what the user must know while the window is hidden.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ActiveWindow.h"

namespace tolvane {

using IconHandle = std::uintptr_t;

class NotifyIcon {
 public:
  virtual ~NotifyIcon() = default;
  // The icon, owned by the main window; its mouse messages go to that window.
  virtual bool Add(WindowHandle owner, IconHandle icon) = 0;
  virtual bool Delete() = 0;
  virtual bool Balloon(const std::string& title, const std::string& text) = 0;
};

}  // namespace tolvane
