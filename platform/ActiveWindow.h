// Whether the user is working in one of the program's own windows.
#pragma once

#include <cstdint>
#include <optional>

namespace tolvane {

using WindowHandle = std::uintptr_t;  // 0 is no window

// What stands between keys the program types and the window in front. Windows drops injected
// keys meant for a process of a higher integrity level without a word (the call still counts
// them as sent), and takes none while there is no input desktop: the workstation is locked or
// the secure desktop is in front.
struct ForegroundInput {
  bool inputDesktop = true;
  // Mandatory integrity levels as their RIDs (0x2000 medium, 0x3000 high); none where the level
  // could not be read.
  std::optional<std::uint32_t> ownLevel = 0, foregroundLevel = 0;
};

class ActiveWindow {
 public:
  virtual ~ActiveWindow() = default;
  // True when the active window is any window of this program: the main window, a dialog,
  // the about box or a message box. Keys typed then would land in the program itself.
  virtual bool ProgramWindowActive() const = 0;
  // As it is now; a system without such barriers has the default, nothing in the way.
  virtual ForegroundInput Foreground() const { return {}; }
};

}  // namespace tolvane
