// Keyboard double on a published layout (US unless told): records every key event in order, and keeps a Caps Lock
// toggle that each Caps Lock press flips, as the system's would; with shiftLock, a Shift press turns it off and a Caps
// Lock press only on.
#pragma once

#include <string>
#include <vector>

#include "platform/Keyboard.h"
#include "tests/support/TableLayout.h"

namespace tolvane::fake {

struct RecordedKeyEvent {
  std::uint8_t vk, scan;
  std::uint32_t flags;
  bool operator==(const RecordedKeyEvent& o) const { return vk == o.vk && scan == o.scan && flags == o.flags; }
};

class Keyboard : public tolvane::Keyboard {
 public:
  explicit Keyboard(const test::LayoutTable& table = test::UsLayout()) : layout_(table) {}
  std::int16_t VkKeyScan(std::uint8_t c) override { return layout_.VkKeyScanEx(c); }
  // Type 0 never gives the E0 prefix.
  std::uint8_t MapVirtualKey(std::uint8_t key) override { return static_cast<std::uint8_t>(layout_.ScanCode(key)); }
  KeyboardState GetKeyboardState() override { return state; }
  void SetKeyboardState(const KeyboardState& s) override {
    state = s;
    ++stateWrites;
  }
  void KeybdEvent(std::uint8_t key, std::uint8_t scan, std::uint32_t flags) override {
    events.push_back({key, scan, flags});
    if (key == vk::Capital && !(flags & kKeyUp)) capsLockOn = shiftLock || !capsLockOn;
    if (shiftLock && key == vk::Shift && !(flags & kKeyUp)) capsLockOn = false;
  }
  bool RightAltIsAltGr() override { return layout_.RightAltIsAltGr(); }
  bool ShiftTurnsCapsLockOff() override { return shiftLock; }

  void SetCapsLock(bool on) {
    capsLockOn = on;
    state[vk::Capital] = on ? 1 : 0;
  }

  KeyboardState state{};
  bool capsLockOn = false;
  bool shiftLock = false;
  int stateWrites = 0;
  std::vector<RecordedKeyEvent> events;

 private:
  test::TableLayout layout_;
};

}  // namespace tolvane::fake
