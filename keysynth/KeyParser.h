// The console typing path's reading of the send-keys notation: a queue of virtual-key codes
// and modifier toggles (vk::Shift, vk::Control, vk::Menu, always in pairs).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keysynth/Notation.h"
#include "platform/Keyboard.h"
#include "platform/VirtualKeys.h"

namespace tolvane {

constexpr int kKeyQueueSize = 4096;

// Shift, Ctrl and Alt: in the queue, each press toggles the key.
constexpr bool IsModifierToggle(std::int16_t code) {
  const int key = code & 0xFF;
  return key == vk::Shift || key == vk::Control || key == vk::Menu;
}
// Marks the Ctrl and Alt toggles in the queue that make a character's AltGr.
constexpr std::int16_t kAltGrMark = 0x1000;

class KeyParser : private NotationTarget {
 public:
  explicit KeyParser(Keyboard& keyboard) : keyboard_(keyboard) {}

  std::int16_t ParseKeys(std::string_view keys);
  // The next code of the queue, in order; none once every code has been taken.
  std::optional<std::int16_t> Next();
  // Takes the queue from its first code again.
  void Rewind() { QueueHead = 0; }

  std::array<std::int16_t, kKeyQueueSize> KeyQueue{};
  std::int16_t QueueTail = 0;  // kKeyQueueSize when full
  std::string KeyString;
  std::int16_t ParsePos = 0;  // 1-based index of the last character consumed

 private:
  KeyNameSet Names() const override { return KeyNameSet::Console; }
  bool KnowsCharacter(char c) const override { return keyboard_.VkKeyScan(static_cast<std::uint8_t>(c)) != 0; }
  std::int16_t Character(char c, int count) override;
  std::int16_t Key(const KeyNameRow& key, int count) override { return EnqueueKey(key.console, count); }
  std::int16_t Modifier(std::uint8_t key, bool) override { return Enqueue(key) ? kParseOk : kQueueFull; }

  std::int16_t EnqueueKey(std::int16_t key, int count);
  bool Enqueue(std::int16_t code);

  Keyboard& keyboard_;
  std::int16_t QueueHead = 0;
};

}  // namespace tolvane
