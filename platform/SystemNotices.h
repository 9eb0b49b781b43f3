// What the system tells of the user's session and of the machine's power, as named notices.
#pragma once

#include <functional>

#include "platform/ActiveWindow.h"

namespace tolvane {

enum class SystemNotice {
  SessionAway,  // the session was handed to another user (fast user switching) or disconnected
  SessionBack,  // it is connected again
  Resumed,      // the machine woke from sleep or hibernation
};

class SystemNotices {
 public:
  virtual ~SystemNotices() = default;
  // The notices start for the program's main window; each is handed to the handler on the
  // user-interface thread.
  virtual void Subscribe(WindowHandle window, std::function<void(SystemNotice)> handler) = 0;
};

}  // namespace tolvane
