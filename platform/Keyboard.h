// The keyboard as the console typing path needs it: the layout's key for a character,
// scan codes, the thread's 256-byte key state and the insertion of one key event.
#pragma once

#include <array>
#include <cstdint>

namespace tolvane {

using KeyboardState = std::array<std::uint8_t, 256>;  // one byte per virtual-key code

class Keyboard {
 public:
  static constexpr std::uint32_t kExtendedKey = 0x0001;
  static constexpr std::uint32_t kKeyUp = 0x0002;
  // Ours, never passed to the system: the Ctrl or Alt half of a character's AltGr, which a
  // system with an AltGr key of its own presses instead.
  static constexpr std::uint32_t kAltGr = 0x0100;

  virtual ~Keyboard() = default;
  // Low byte the virtual-key code, 0x100 Shift, 0x200 Ctrl, 0x400 Alt; -1 for no key.
  virtual std::int16_t VkKeyScan(std::uint8_t ansiChar) = 0;
  // Virtual-key code to scan code (map type 0); 0 when the key has none.
  virtual std::uint8_t MapVirtualKey(std::uint8_t vk) = 0;
  virtual KeyboardState GetKeyboardState() = 0;
  virtual void SetKeyboardState(const KeyboardState& state) = 0;
  virtual void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) = 0;
  // Whether the right Alt key is AltGr (the system adds the Ctrl itself): a character's AltGr is
  // then that key, not a Ctrl and Alt that applications may take for a shortcut.
  virtual bool RightAltIsAltGr() { return false; }
  // Whether Shift turns Caps Lock off (and the Caps Lock key only turns it on).
  virtual bool ShiftTurnsCapsLockOff() { return false; }
};

}  // namespace tolvane
