// Characters no key of a layout types, typed as applications compose them: the layout's dead
// keys (AltGr ones too) followed by another key, as the locale's Compose table says.
#pragma once

#include <xkbcommon/xkbcommon-compose.h>

#include <array>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "linux/XkbLayout.h"

namespace tolvane::posix {

// The Compose table of the user's locale (LC_ALL, LC_CTYPE, LANG, as applications choose it);
// en_US.UTF-8's when the locale has none (C, POSIX, a misspelt name), since that is the table
// the C.UTF-8 locale and every other UTF-8 locale of Latin script use. Null when no table can
// be read (libx11-data missing).
xkb_compose_table* LocaleComposeTable(xkb_context* context);

// Taps of (virtual key, modifiers as kModShift | kModCtrl | kModAlt), in the order typed.
using KeySequence = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

class Composer {
 public:
  // Takes its own reference to the table; a null table composes nothing.
  Composer(const XkbLayout& layout, xkb_compose_table* table);
  ~Composer();
  Composer(const Composer&) = delete;
  Composer& operator=(const Composer&) = delete;

  // The shortest sequence of the layout's keys that the table composes into exactly c, with
  // Caps Lock as given (it changes what the keys give); empty when there is none.
  KeySequence Sequence(char16_t c, bool capsLock) const;

 private:
  using Table = std::map<char16_t, KeySequence>;
  const Table& For(bool capsLock) const;

  const XkbLayout& layout_;
  xkb_compose_table* table_;
  mutable std::array<std::unique_ptr<Table>, 2> tables_;  // by Caps Lock, found when first asked
};

}  // namespace tolvane::posix
