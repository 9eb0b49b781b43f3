// One layout (group) of an XKB keymap, asked as the typing engine asks Windows: which key
// (named by the Windows virtual key of its position) and modifiers type a character, and what
// a key types. Keys are found by their XKB names (<AD01>, <LFSH>), so any keycode set works;
// AltGr is the key that gives ISO_Level3_Shift, reported as Ctrl+Alt as Windows does.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "keysynth/KeyboardLayout.h"
#include "platform/VirtualKeys.h"

namespace tolvane::posix {

// The XKB name of the key at a virtual key's position ("AD01" for Q); null for none.
const char* XkbKeyName(std::uint8_t key);
// The keys of the main block, whose characters the layout is searched for.
const std::vector<std::uint8_t>& TypingKeys();

class XkbLayout : public KeyboardLayout {
 public:
  // Takes its own reference to the keymap.
  explicit XkbLayout(xkb_keymap* keymap, xkb_layout_index_t layout = 0);
  ~XkbLayout() override;
  XkbLayout(const XkbLayout&) = delete;
  XkbLayout& operator=(const XkbLayout&) = delete;

  std::int16_t VkKeyScanEx(char16_t c) const override;
  // The key's keycode, 0xE000 added for an extended key; 0 for a key the keymap lacks.
  std::uint16_t ScanCode(std::uint8_t key) const override;
  KeyResult Translate(std::uint8_t key, std::uint8_t modifiers, bool capsLock) const override;

  // The keymap's keycode for the key at a virtual key's position; 0 when it has none.
  xkb_keycode_t KeyCode(std::uint8_t key) const { return codes_[key]; }
  // The key that gives the third level (AltGr); 0 when this layout has none.
  xkb_keycode_t Level3Key() const { return level3Key_; }
  // The keysym a key gives with these modifiers (Ctrl+Alt for AltGr) and Caps Lock, as an
  // application reads it from a clean state; XKB_KEY_NoSymbol for none.
  xkb_keysym_t Keysym(std::uint8_t key, std::uint8_t modifiers, bool capsLock) const;
  xkb_keymap* keymap() const { return keymap_; }
  xkb_layout_index_t layout() const { return layout_; }

 private:
  xkb_mod_mask_t Mask(std::uint8_t modifiers) const;  // the modifiers as the keymap's mask

  xkb_keymap* keymap_;
  xkb_layout_index_t layout_;
  xkb_mod_mask_t shift_ = 0, lock_ = 0, control_ = 0, alt_ = 0, level3_ = 0;
  xkb_keycode_t level3Key_ = 0;
  std::array<xkb_keycode_t, 256> codes_{};  // virtual key → keycode
  std::map<char16_t, std::int16_t> keys_, deadKeys_;
};

// The keymap of a layout and variant ("de", ""; "us,de" for two groups), from the system's rules.
xkb_keymap* KeymapFromNames(xkb_context* context, const std::string& layout, const std::string& variant);

}  // namespace tolvane::posix
