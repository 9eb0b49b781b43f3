// The send-keys notation, read by one parser for both typing paths: characters, "~" for
// Enter, braced key names and characters with repeat counts, and "+" "^" "%" holding
// Shift, Ctrl and Alt over the next item or parenthesised group. What the items become is
// the target's business: the console path queues key codes, the typing facility strokes.
#pragma once

#include <cstdint>
#include <string_view>

#include "keysynth/KeyNames.h"

namespace tolvane {

// Result codes; nothing is typed for a nonzero code.
enum ParseResult : std::int16_t {
  kParseOk = 0,
  kNoClosingBrace = 1,
  kUnknownKeyName = 2,
  kNoClosingParen = 3,
  kBadRepeatCount = 4,     // 0, not a number, or outside the 16-bit range
  kQueueFull = 5,          // the target is full, or the string is too long to index
  kNoKeyForCharacter = 6,  // the keyboard layout has no key for a character of the text
};

// Positions are 16-bit: a string this long cannot be parsed.
constexpr std::size_t kMaxKeyStringLength = 32766;

class NotationTarget {
 public:
  virtual ~NotationTarget() = default;
  virtual KeyNameSet Names() const = 0;
  // Whether a character in braces ("{a}") can be typed at all.
  virtual bool KnowsCharacter(char) const { return true; }
  // A character, count times; a negative count means until the target is full.
  virtual std::int16_t Character(char c, int count) = 0;
  virtual std::int16_t Key(const KeyNameRow& key, int count) = 0;
  // Shift (16), Ctrl (17) or Alt (18) goes down before its item and up after it.
  virtual std::int16_t Modifier(std::uint8_t vk, bool down) = 0;
};

// pos is the 1-based index of the last character read, left where reading stopped.
std::int16_t ParseNotation(std::string_view text, NotationTarget& target, std::int16_t& pos);

}  // namespace tolvane
