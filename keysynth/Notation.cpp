#include "keysynth/Notation.h"

#include <optional>
#include <string>
#include <vector>

#include "common/TextToNumber.h"

namespace tolvane {
namespace {

constexpr std::int16_t kGroupFrame = 0;  // a parse waiting for the items of a group

class Reader {
 public:
  Reader(std::string_view text, NotationTarget& target, std::int16_t& pos) : text_(text), target_(target), pos_(pos) {}

  // One item after pos. Groups and modifiers nest; they are kept on an explicit stack so
  // that deeply nested input cannot exhaust the call stack.
  std::int16_t Item() {
    std::vector<std::int16_t> frames;  // kGroupFrame or a modifier
    std::int16_t result = kParseOk;
    for (;;) {
      bool finished = true;
      ++pos_;
      if (pos_ <= Length()) {
        const char ch = At(pos_);
        switch (ch) {
          case '{': result = Brace(); break;
          case '(':
            frames.push_back(kGroupFrame);
            finished = false;
            break;
          case '~': result = target_.Key(*LookupKeyName("ENTER", KeyNameSet::Windows), 1); break;
          case '+':
          case '^':
          case '%': {
            const std::int16_t m = ch == '+' ? 16 : ch == '^' ? 17 : 18;
            result = target_.Modifier(static_cast<std::uint8_t>(m), true);
            if (result == kParseOk) {
              frames.push_back(m);
              continue;  // parse the modified item
            }
            break;
          }
          default: result = target_.Character(ch, 1); break;
        }
      }

      // Unwind finished items into the frames that wait for them.
      for (;;) {
        if (finished) {
          if (frames.empty() || result != kParseOk) return result;
          if (frames.back() != kGroupFrame) {
            const auto m = static_cast<std::uint8_t>(frames.back());
            frames.pop_back();
            result = target_.Modifier(m, false);
            continue;
          }
        }
        // A group goes on until ")" or the end of the string.
        if (pos_ <= Length() && At(pos_ + 1) != ')') break;
        frames.pop_back();
        if (pos_ > Length()) {
          result = kNoClosingParen;
        } else {
          ++pos_;
          result = kParseOk;
        }
        finished = true;
      }
    }
  }

  int Length() const { return static_cast<int>(text_.size()); }

 private:
  // The character at 1-based position p, or 0 past the end (never a notation character).
  char At(int p) const { return p >= 1 && p <= Length() ? text_[static_cast<std::size_t>(p - 1)] : '\0'; }

  // "{}}" and "{ }" (with their counts) are the closing brace and the blank themselves.
  std::int16_t Brace() {
    const int p = pos_;
    std::optional<char> literal;
    int j = p;
    if (At(p + 1) == '}' || (At(p + 1) == ' ' && At(p + 2) == '}')) {
      literal = At(p + 1);
      j = p + 1;
    }
    char c = '\0';
    do {
      ++j;
      c = At(j);
    } while (c != ' ' && c != '}' && j <= Length());
    if (j > Length()) return kNoClosingBrace;

    const KeyNameRow* key = nullptr;
    if (!literal) {
      const std::string_view inside = text_.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(j - p - 1));
      if (inside.size() == 1) {
        if (!target_.KnowsCharacter(inside[0])) return kUnknownKeyName;
        literal = inside[0];
      } else if (!(key = LookupKeyName(inside, target_.Names()))) {
        return kUnknownKeyName;
      }
    }

    int count = 1;
    if (c == ' ') {
      ++j;
      const auto n = ToInt16(TextToNumber(text_.substr(static_cast<std::size_t>(j - 1))));
      if (!n) return kBadRepeatCount;
      count = *n;
    }
    if (count == 0) return kBadRepeatCount;
    const std::int16_t r = literal ? target_.Character(*literal, count) : target_.Key(*key, count);
    if (r != kParseOk) return r;

    while (c != '}') {
      ++j;
      c = At(j);
      if (j > Length()) return kNoClosingBrace;
    }
    pos_ = static_cast<std::int16_t>(j);
    return kParseOk;
  }

  std::string_view text_;
  NotationTarget& target_;
  std::int16_t& pos_;
};

}  // namespace

std::int16_t ParseNotation(std::string_view text, NotationTarget& target, std::int16_t& pos) {
  pos = 0;
  if (text.size() > kMaxKeyStringLength) return kQueueFull;
  Reader reader(text, target, pos);
  while (pos < reader.Length()) {
    const std::int16_t r = reader.Item();
    if (r != kParseOk) return r;
  }
  return kParseOk;
}

}  // namespace tolvane
