// One key event as it is handed to the system's input queue.
#pragma once

#include <cstdint>

namespace tolvane {

struct KeyInput {
  std::uint8_t vk = 0;     // 0 for a Unicode event
  std::uint16_t scan = 0;  // without the E0 prefix; for a Unicode event, the UTF-16 unit
  bool up = false;
  bool extended = false;
  bool unicode = false;
  // Ctrl or Alt pressed because a character's key needs the layout's AltGr, not because the
  // text holds them ("^%"): a system that has an AltGr key of its own presses that instead.
  bool altGr = false;
  bool operator==(const KeyInput& o) const {
    return vk == o.vk && scan == o.scan && up == o.up && extended == o.extended && unicode == o.unicode &&
           altGr == o.altGr;
  }
};

}  // namespace tolvane
