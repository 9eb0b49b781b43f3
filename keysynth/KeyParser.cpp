#include "keysynth/KeyParser.h"

namespace tolvane {
namespace {

constexpr std::int16_t kShiftBit = 0x100, kCtrlBit = 0x200, kAltBit = 0x400, kCtrlAltBits = kCtrlBit | kAltBit;

}  // namespace

std::optional<std::int16_t> KeyParser::Next() {
  if (QueueHead == QueueTail) return std::nullopt;
  return KeyQueue[static_cast<std::size_t>(QueueHead++)];
}

std::int16_t KeyParser::ParseKeys(std::string_view keys) {
  QueueHead = 0;
  QueueTail = 0;
  KeyString.assign(keys);
  return ParseNotation(KeyString, *this, ParsePos);
}

std::int16_t KeyParser::Character(char c, int count) {
  const std::int16_t key = keyboard_.VkKeyScan(static_cast<std::uint8_t>(c));
  return key == -1 ? static_cast<std::int16_t>(kNoKeyForCharacter) : EnqueueKey(key, count);
}

bool KeyParser::Enqueue(std::int16_t code) {
  if (QueueTail >= kKeyQueueSize) return false;
  KeyQueue[static_cast<std::size_t>(QueueTail++)] = code;
  return true;
}

std::int16_t KeyParser::EnqueueKey(std::int16_t key, int count) {
  const bool shift = (key & kShiftBit) != 0;
  const auto code = static_cast<std::int16_t>(key & 0xFF);
  // Ctrl and Alt together are AltGr: the layout needs them for this character.
  const std::int16_t altGr = (key & kCtrlAltBits) == kCtrlAltBits ? kAltGrMark : 0;
  std::array<std::int16_t, 3> mods{};
  std::size_t n = 0;
  if (shift) mods[n++] = vk::Shift;
  if (key & kCtrlBit) mods[n++] = static_cast<std::int16_t>(vk::Control | altGr);
  if (key & kAltBit) mods[n++] = static_cast<std::int16_t>(vk::Menu | altGr);
  // The queue reads Shift, Ctrl and Alt as modifier toggles; such a key ({BREAK} is Ctrl)
  // goes in as a pair, so it is pressed and released and never left down.
  const bool modifier = IsModifierToggle(code);
  for (std::size_t i = 0; i < n; ++i)
    if (!Enqueue(mods[i])) return kQueueFull;
  for (int i = 0; count < 0 || i < count; ++i) {
    if (!Enqueue(code)) return kQueueFull;
    if (modifier && !Enqueue(code)) return kQueueFull;
  }
  for (std::size_t i = n; i-- > 0;)
    if (!Enqueue(mods[i])) return kQueueFull;
  return kParseOk;
}

}  // namespace tolvane
