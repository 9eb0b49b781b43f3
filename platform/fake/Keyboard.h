// Keyboard double on the US layout: records every key event in order, and keeps a Caps Lock
// toggle that each Caps Lock press flips, as the system's would.
#pragma once

#include <string>
#include <vector>

#include "platform/Keyboard.h"
#include "platform/UsKeyboardLayout.h"

namespace tolvane::fake {

struct RecordedKeyEvent {
  std::uint8_t vk, scan;
  std::uint32_t flags;
  bool operator==(const RecordedKeyEvent& o) const { return vk == o.vk && scan == o.scan && flags == o.flags; }
};

class Keyboard : public tolvane::Keyboard {
 public:
  std::int16_t VkKeyScan(std::uint8_t c) override { return UsVkKeyScan(c); }
  std::uint8_t MapVirtualKey(std::uint8_t vk) override { return UsScanCode(vk); }
  KeyState GetKeyboardState() override { return state; }
  void SetKeyboardState(const KeyState& s) override {
    state = s;
    ++stateWrites;
  }
  void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override {
    events.push_back({vk, scan, flags});
    if (vk == 20 && !(flags & kKeyUp)) capsLockOn = !capsLockOn;
  }

  void SetCapsLock(bool on) {
    capsLockOn = on;
    state[20] = on ? 1 : 0;
  }

  KeyState state{};
  bool capsLockOn = false;
  int stateWrites = 0;
  std::vector<RecordedKeyEvent> events;
};

}  // namespace tolvane::fake
