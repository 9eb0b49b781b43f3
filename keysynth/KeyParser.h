// Key-sequence parser of the console typing path: send-keys notation into a queue of
// virtual-key codes and modifier toggles (16 Shift, 17 Ctrl, 18 Alt, always in pairs).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Keyboard.h"

namespace tolvane {

// Result codes; callers may ignore them. Nothing is typed for a nonzero code.
enum ParseResult : std::int16_t {
  kParseOk = 0,
  kNoClosingBrace = 1,
  kUnknownKeyName = 2,
  kNoClosingParen = 3,
  kBadRepeatCount = 4,  // 0, not a number, or outside the 16-bit range
  kQueueFull = 5,       // more than 4,096 entries, or a string too long to index
};

struct KeyName {
  std::int16_t Code;
  const char* Name;
};

constexpr int kKeyQueueSize = 4096;
// Positions are 16-bit: a string this long cannot be parsed.
constexpr std::size_t kMaxKeyStringLength = 32766;

class KeyParser {
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
  std::int16_t ParseKeyItem();
  std::int16_t ParseBraceItem();
  std::int16_t EnqueueKey(std::int16_t key, int count);
  bool Enqueue(std::int16_t code);
  // The character at 1-based position p, or 0 past the end (never a notation character).
  char At(int p) const { return p >= 1 && p <= Length() ? KeyString[static_cast<std::size_t>(p - 1)] : '\0'; }
  int Length() const { return static_cast<int>(KeyString.size()); }

  Keyboard& keyboard_;
};

}  // namespace tolvane
