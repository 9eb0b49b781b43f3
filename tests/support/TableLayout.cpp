#include "tests/support/TableLayout.h"

namespace tolvane::test {
namespace {

char16_t Column(std::u16string_view chars, std::size_t i) { return i < chars.size() ? chars[i] : u'\0'; }

bool IsDeadColumn(std::uint8_t deadColumns, std::size_t i) { return ((deadColumns >> i) & 1) != 0; }

}  // namespace

int TableLayout::ModifierBits(std::size_t modification) const {
  for (int bits = 0; bits < static_cast<int>(table_.modificationNumber.size()); ++bits) {
    if (table_.modificationNumber[static_cast<std::size_t>(bits)] == static_cast<int>(modification)) return bits;
  }
  return -1;
}

std::int16_t TableLayout::VkKeyScanEx(char16_t c) const {
  if (c == 0) return -1;
  int withCtrl = -1;
  for (const KeyGroup& group : table_.groups) {
    for (const KeyRow& row : group.rows) {
      // Windows keeps a dead key's accents and a key's Caps Lock characters in rows of
      // their own after the key's row, so they are searched in that order.
      for (int part = 0; part < 3; ++part) {
        for (std::size_t column = 0; column < group.modifications; ++column) {
          const bool dead = IsDeadColumn(row.deadColumns, column);
          const char16_t ch = part == 0   ? (dead ? u'\0' : Column(row.chars, column))
                              : part == 1 ? (dead ? Column(row.chars, column) : u'\0')
                                          : Column(row.capsChars, column);
          if (ch != c) continue;
          const int bits = ModifierBits(column);
          const int answer = (bits << 8) | row.vk;
          // A Ctrl character gives way to any key that types it without Ctrl.
          if ((bits & (kModCtrl | kModAlt)) == kModCtrl) {
            if (withCtrl < 0) withCtrl = answer;
            continue;
          }
          return static_cast<std::int16_t>(answer);
        }
      }
    }
  }
  if (withCtrl >= 0) return static_cast<std::int16_t>(withCtrl);
  if (c >= 1 && c <= 26) return static_cast<std::int16_t>((kModCtrl << 8) | ('A' + c - 1));
  return -1;
}

std::uint16_t TableLayout::ScanCode(std::uint8_t vk) const {
  for (const KeyPosition& p : table_.positions) {
    if (p.vk == vk) return static_cast<std::uint16_t>(p.scan | (p.extended ? 0xE000 : 0));
  }
  return 0;
}

TableLayout::Found TableLayout::Find(std::uint8_t vk) const {
  for (const KeyGroup& group : table_.groups) {
    for (const KeyRow& row : group.rows) {
      if (row.vk == vk) return {&group, &row};
    }
  }
  return {};
}

KeyResult TableLayout::Translate(std::uint8_t vk, std::uint8_t modifiers, bool capsLock) const {
  int bits = modifiers & (kModShift | kModCtrl | kModAlt);
  const int ctrlAlt = kModCtrl | kModAlt;
  if ((bits & ctrlAlt) == kModAlt) bits &= ~kModAlt;  // Alt alone leaves the character as it is
  if ((bits & ctrlAlt) == kModCtrl && vk >= 'A' && vk <= 'Z') return {static_cast<char16_t>(vk - 'A' + 1), false};

  const Found found = Find(vk);
  if (found.row == nullptr) return {};
  const KeyRow& row = *found.row;
  std::u16string_view chars = row.chars;
  std::uint8_t deadColumns = row.deadColumns;
  if (capsLock) {
    const bool plain = (bits & ~kModShift) == 0;
    if ((row.attributes & kCapLok) != 0 && plain) {
      bits ^= kModShift;
    } else if ((row.attributes & kCapLokAltGr) != 0 && (bits & ctrlAlt) == ctrlAlt) {
      bits ^= kModShift;
    }
    if ((row.attributes & kSgCaps) != 0 && plain) {
      chars = row.capsChars;
      deadColumns = 0;
    }
  }
  const int modification = table_.modificationNumber[static_cast<std::size_t>(bits)];
  if (modification < 0 || static_cast<std::size_t>(modification) >= found.group->modifications) return {};
  const auto column = static_cast<std::size_t>(modification);
  const char16_t ch = Column(chars, column);
  if (ch == 0) return {};
  return {ch, IsDeadColumn(deadColumns, column)};
}

char16_t TableLayout::Combine(char16_t accent, char16_t next) const {
  for (const DeadTrans& d : table_.deadTrans) {
    if (d.accent == accent && d.base == next) return d.result;
  }
  return 0;
}

}  // namespace tolvane::test
