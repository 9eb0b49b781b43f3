// The console typing path's reading of the send-keys notation: a queue of virtual-key codes
// and modifier toggles (16 Shift, 17 Ctrl, 18 Alt, always in pairs).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "keysynth/Notation.h"
#include "platform/Keyboard.h"

namespace tolvane {

struct KeyName {
  std::int16_t Code;
  const char* Name;
};

constexpr int kKeyQueueSize = 4096;

class KeyParser : private NotationTarget {
 public:
  explicit KeyParser(Keyboard& keyboard) : keyboard_(keyboard) {}

  void InitKeyNames();
  std::int16_t ParseKeys(std::string_view keys);
  std::int16_t LookupKeyCode(std::string_view text);

  std::array<std::int16_t, kKeyQueueSize> KeyQueue{};
  std::int16_t QueueTail = 0;  // kKeyQueueSize when full
  std::int16_t QueueHead = 0;
  std::string KeyString;
  std::int16_t ParsePos = 0;  // 1-based index of the last character consumed
  std::vector<KeyName> KeyNames;
  bool NamesLoaded = false;

 private:
  KeyNameSet Names() const override { return NamesLoaded ? KeyNameSet::Console : KeyNameSet::None; }
  bool KnowsCharacter(char c) const override { return keyboard_.VkKeyScan(static_cast<std::uint8_t>(c)) != 0; }
  std::int16_t Character(char c, int count) override;
  std::int16_t Key(const KeyNameRow& key, int count) override { return EnqueueKey(key.console, count); }
  std::int16_t Modifier(std::uint8_t vk, bool) override { return Enqueue(vk) ? kParseOk : kQueueFull; }

  std::int16_t EnqueueKey(std::int16_t key, int count);
  bool Enqueue(std::int16_t code);

  Keyboard& keyboard_;
};

}  // namespace tolvane
