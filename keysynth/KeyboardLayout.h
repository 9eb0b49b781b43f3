// What a keyboard layout answers about its keys, asked the way the system is asked, so the
// decisions about which keys to press for a character are made (and tested) portably.
#pragma once

#include <cstdint>

namespace tolvane {

// Modifier bits, as VkKeyScanExW gives them in its high byte. Ctrl+Alt is AltGr.
enum : std::uint8_t { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

struct KeyResult {
  char16_t ch = 0;    // the character typed; 0 for none
  bool dead = false;  // a dead key: it waits to combine with the next key
};

class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  // As VkKeyScanExW: low byte the virtual key, high byte the modifiers; -1 when no key of
  // the layout types c.
  virtual std::int16_t VkKeyScanEx(char16_t c) const = 0;
  // As MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC_EX): the scan code, 0xE0xx for an extended
  // key, 0 for a key the layout does not have.
  virtual std::uint16_t ScanCode(std::uint8_t vk) const = 0;
  // As ToUnicodeEx for one press of vk with these modifiers and Caps Lock on or off, from a
  // clean state (no dead key pending).
  virtual KeyResult Translate(std::uint8_t vk, std::uint8_t modifiers, bool capsLock) const = 0;
  // Whether the right Alt key is AltGr: pressed alone, the system adds the Ctrl itself and
  // applications see a character, where a left Ctrl and Alt would fire their Ctrl+Alt shortcuts.
  virtual bool RightAltIsAltGr() const { return false; }
};

}  // namespace tolvane

namespace tolvane {

// The keyboard's state as the system sees it, not as this program's thread last saw it.
class SystemKeyState {
 public:
  virtual ~SystemKeyState() = default;
  // As GetKeyState: 0x8000 while the key is held down, 1 while a toggle key (Caps Lock) is on.
  virtual std::int16_t GetKeyState(std::uint8_t vk) const = 0;
  // Whether Shift turns Caps Lock off (and the Caps Lock key only turns it on), as the user
  // may choose instead of a Caps Lock key that switches it both ways.
  virtual bool ShiftTurnsCapsLockOff() const { return false; }
};

}  // namespace tolvane
