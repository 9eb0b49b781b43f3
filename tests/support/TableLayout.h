// Five Windows keyboard layouts as Windows holds them (kbdus, kbduk, kbdgr, kbdfr, kbdsg; the
// keypad's characters left out, as the typing engine never needs them), and a keyboard layout
// answering from one of them the way Windows answers from its layout DLL, so the typing engine
// can be proven against real layouts natively.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "keysynth/KeyboardLayout.h"
#include "platform/VirtualKeys.h"

namespace tolvane::test {

// Key attributes, as kbd.h names them: with kCapLok Caps Lock acts as Shift when neither Ctrl nor
// Alt is down, with kCapLokAltGr also with AltGr; with kSgCaps it selects the key's own characters.
enum : std::uint8_t { kCapLok = 1, kSgCaps = 2, kCapLokAltGr = 4 };

// One key of the character tables: a character per modification number, u'\0' for none.
struct KeyRow {
  std::uint8_t vk, attributes;
  std::u16string chars, capsChars;  // kSgCaps: with Caps Lock, then with Caps Lock and Shift
  std::uint8_t deadColumns = 0;     // bit n: chars[n] is a dead key's accent
};

// A dead key's accent followed by bases[i] makes results[i].
struct DeadKey {
  char16_t accent;
  std::u16string_view bases, results;
};

struct LayoutTable {
  std::string_view name;
  bool altGr;  // the right Alt key is Ctrl+Alt
  // The modification number for each combination of Shift (1), Ctrl (2) and Alt (4); -1 for none.
  std::array<std::int8_t, 8> modificationNumber;
  std::vector<KeyRow> rows;  // in the order VkKeyScanEx searches them
  std::vector<DeadKey> deadKeys;
  std::map<std::uint8_t, std::uint16_t> scanCodes;  // 0xE0xx for an extended key
};

const std::vector<const LayoutTable*>& AllLayouts();
inline const LayoutTable& UsLayout() { return *AllLayouts()[0]; }
inline const LayoutTable& GermanLayout() { return *AllLayouts()[2]; }
inline const LayoutTable& FrenchLayout() { return *AllLayouts()[3]; }

// A key's name in test messages: "Home", "F9", "LShift", "A", "VK_BA".
std::string KeyName(std::uint8_t vk);

class TableLayout : public KeyboardLayout {
 public:
  explicit TableLayout(const LayoutTable& table) : table_(table) {}

  std::int16_t VkKeyScanEx(char16_t c) const override;
  std::uint16_t ScanCode(std::uint8_t vk) const override;
  KeyResult Translate(std::uint8_t vk, std::uint8_t modifiers, bool capsLock) const override;
  bool RightAltIsAltGr() const override { return table_.altGr; }

  // What a dead key's accent makes of the next character; 0 when they do not combine.
  char16_t Combine(char16_t accent, char16_t next) const;
  const LayoutTable& table() const { return table_; }

 private:
  const LayoutTable& table_;
};

}  // namespace tolvane::test
