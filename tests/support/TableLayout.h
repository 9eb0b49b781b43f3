// A keyboard layout answering from one of the layout tables the way Windows answers from
// its layout DLL, so the typing engine can be proven against real layouts natively.
#pragma once

#include <cstdint>

#include "keysynth/KeyboardLayout.h"
#include "tests/support/LayoutTables.h"

namespace tolvane::test {

class TableLayout : public KeyboardLayout {
 public:
  explicit TableLayout(const LayoutTable& table) : table_(table) {}

  std::int16_t VkKeyScanEx(char16_t c) const override;
  std::uint16_t ScanCode(std::uint8_t vk) const override;
  KeyResult Translate(std::uint8_t vk, std::uint8_t modifiers, bool capsLock) const override;

  // What a dead key's accent makes of the next character; 0 when they do not combine.
  char16_t Combine(char16_t accent, char16_t next) const;
  const LayoutTable& table() const { return table_; }

  // The row of vk and its table; nullptr when no table has the key.
  struct Found {
    const KeyGroup* group = nullptr;
    const KeyRow* row = nullptr;
  };
  Found Find(std::uint8_t vk) const;

 private:
  // The modifier bits of a modification number, as VkKeyScanEx reports them.
  int ModifierBits(std::size_t modification) const;

  const LayoutTable& table_;
};

}  // namespace tolvane::test
