// The console typing path's keyboard calls, straight to user32.
#pragma once

#include "platform/Keyboard.h"

namespace tolvane::win32 {

class Keyboard : public tolvane::Keyboard {
 public:
  std::int16_t VkKeyScan(std::uint8_t ansiChar) override;
  std::uint8_t MapVirtualKey(std::uint8_t vk) override;
  KeyboardState GetKeyboardState() override;
  void SetKeyboardState(const KeyboardState& state) override;
  void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override;
  bool RightAltIsAltGr() override { return true; }
  bool ShiftTurnsCapsLockOff() override;
};

// The user's choice "press the Shift key" to turn Caps Lock off: KLF_SHIFTLOCK in the value
// Attributes of HKEY_CURRENT_USER\Keyboard Layout, which LoadKeyboardLayout keeps there.
bool ShiftLockChosen();

}  // namespace tolvane::win32
