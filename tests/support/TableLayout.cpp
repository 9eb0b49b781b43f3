#include "tests/support/TableLayout.h"

#include <algorithm>

namespace tolvane::test {

std::int16_t TableLayout::VkKeyScanEx(char16_t c) const {
  if (c == 0) return -1;
  const auto& number = table_.modificationNumber;
  int withCtrl = -1;
  for (const KeyRow& row : table_.rows) {
    // Windows keeps a dead key's accents and a key's Caps Lock characters in rows of their own
    // after the key's row, so they are searched in that order.
    for (int part = 0; part < 3; ++part) {
      const std::u16string& chars = part == 2 ? row.capsChars : row.chars;
      for (std::size_t column = 0; column < chars.size(); ++column) {
        const bool dead = (row.deadColumns >> column) & 1;
        if (chars[column] != c || (part < 2 && dead != (part == 1))) continue;
        const auto bits = static_cast<int>(std::find(number.begin(), number.end(), column) - number.begin());
        const int answer = (bits << 8) | row.vk;
        // A Ctrl character gives way to any key that types it without Ctrl.
        if ((bits & (kModCtrl | kModAlt)) != kModCtrl) return static_cast<std::int16_t>(answer);
        if (withCtrl < 0) withCtrl = answer;
      }
    }
  }
  if (withCtrl >= 0) return static_cast<std::int16_t>(withCtrl);
  if (c <= 26) return static_cast<std::int16_t>((kModCtrl << 8) | ('A' + c - 1));
  return -1;
}

std::uint16_t TableLayout::ScanCode(std::uint8_t vk) const {
  const auto it = table_.scanCodes.find(vk);
  return it == table_.scanCodes.end() ? 0 : it->second;
}

KeyResult TableLayout::Translate(std::uint8_t vk, std::uint8_t modifiers, bool capsLock) const {
  constexpr int kCtrlAlt = kModCtrl | kModAlt;
  int bits = modifiers & (kModShift | kCtrlAlt);
  if ((bits & kCtrlAlt) == kModAlt) bits &= ~kModAlt;  // Alt alone leaves the character as it is
  if ((bits & kCtrlAlt) == kModCtrl && vk >= 'A' && vk <= 'Z') return {static_cast<char16_t>(vk - 'A' + 1), false};

  const auto row = std::find_if(table_.rows.begin(), table_.rows.end(), [vk](const KeyRow& r) { return r.vk == vk; });
  if (row == table_.rows.end()) return {};
  const bool plain = (bits & ~kModShift) == 0;
  const bool ownCaps = capsLock && plain && (row->attributes & kSgCaps);
  if (capsLock &&
      (((row->attributes & kCapLok) && plain) || ((row->attributes & kCapLokAltGr) && (bits & kCtrlAlt) == kCtrlAlt))) {
    bits ^= kModShift;
  }
  const std::u16string& chars = ownCaps ? row->capsChars : row->chars;
  const int column = table_.modificationNumber[static_cast<std::size_t>(bits)];
  if (column < 0 || static_cast<std::size_t>(column) >= chars.size()) return {};
  const char16_t ch = chars[static_cast<std::size_t>(column)];
  return {ch, ch != 0 && !ownCaps && ((row->deadColumns >> column) & 1)};
}

char16_t TableLayout::Combine(char16_t accent, char16_t next) const {
  for (const DeadKey& d : table_.deadKeys) {
    const std::size_t i = d.bases.find(next);
    if (d.accent == accent && i != std::u16string_view::npos) return d.results[i];
  }
  return 0;
}

}  // namespace tolvane::test
