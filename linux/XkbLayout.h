// A keyboard layout of libxkbcommon asked as the typing engine asks Windows: which key (named
// by the Windows virtual key of its position) and modifiers type a character, and what a key
// types. AltGr is the layout's third level, reported as Ctrl+Alt as Windows does.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <map>
#include <string>

#include "keysynth/KeyboardLayout.h"
#include "platform/VirtualKeys.h"

namespace tolvane::posix {

// Linux input key codes (evdev) of the Windows virtual keys the program presses; 0 for none.
std::uint16_t EvdevCode(std::uint8_t key);

class XkbLayout : public KeyboardLayout {
 public:
  explicit XkbLayout(xkb_keymap* keymap);  // takes its own reference
  ~XkbLayout() override;
  XkbLayout(const XkbLayout&) = delete;
  XkbLayout& operator=(const XkbLayout&) = delete;

  std::int16_t VkKeyScanEx(char16_t c) const override;
  std::uint16_t ScanCode(std::uint8_t key) const override;
  KeyResult Translate(std::uint8_t key, std::uint8_t modifiers, bool capsLock) const override;

  // The dead key whose accent, followed by a blank, types c (VkKeyScanEx form); -1 for none.
  std::int16_t DeadKeyFor(char16_t c) const;

 private:
  xkb_keymap* keymap_;
  xkb_mod_mask_t shift_ = 0, lock_ = 0, control_ = 0, alt_ = 0, level3_ = 0;
  std::map<char16_t, std::int16_t> keys_, deadKeys_;
};

// The keymap of a layout and variant ("de", ""), from the system's rules.
xkb_keymap* KeymapFromNames(xkb_context* context, const std::string& layout, const std::string& variant);

}  // namespace tolvane::posix
