#include "keysynth/SendKeysNotation.h"

#include <cctype>
#include <string>

namespace tolvane {
namespace {

constexpr std::uint8_t kShift = 0x10, kControl = 0x11, kAlt = 0x12, kReturn = 0x0D;

const struct {
  const char* name;
  std::uint8_t vk;
} kNames[] = {
    {"BACKSPACE", 0x08}, {"BS", 0x08},     {"BKSP", 0x08},      {"BREAK", 0x03},     {"CAPSLOCK", 0x14},
    {"CLEAR", 0x0C},     {"DELETE", 0x2E}, {"DEL", 0x2E},       {"DOWN", 0x28},      {"END", 0x23},
    {"ENTER", 0x0D},     {"ESC", 0x1B},    {"ESCAPE", 0x1B},    {"HELP", 0x2F},      {"HOME", 0x24},
    {"INSERT", 0x2D},    {"INS", 0x2D},    {"LEFT", 0x25},      {"NUMLOCK", 0x90},   {"PGDN", 0x22},
    {"PGUP", 0x21},      {"PRTSC", 0x2C},  {"RIGHT", 0x27},     {"SCROLLLOCK", 0x91}, {"SCROLLOCK", 0x91},
    {"TAB", 0x09},       {"UP", 0x26},     {"ADD", 0x6B},       {"SUBTRACT", 0x6D},  {"MULTIPLY", 0x6A},
    {"DIVIDE", 0x6F},
};

std::optional<std::uint8_t> KeyByName(std::string_view name) {
  std::string upper(name);
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& k : kNames)
    if (upper == k.name) return k.vk;
  if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == 'F') {
    int n = 0;
    for (std::size_t i = 1; i < upper.size(); ++i) {
      if (!std::isdigit(static_cast<unsigned char>(upper[i]))) return std::nullopt;
      n = n * 10 + (upper[i] - '0');
    }
    if (n >= 1 && n <= 16) return static_cast<std::uint8_t>(0x70 + n - 1);
  }
  return std::nullopt;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool Items(bool inGroup) {
    while (pos_ < text_.size()) {
      if (text_[pos_] == ')') {
        if (!inGroup) return false;
        return true;
      }
      if (!Item()) return false;
    }
    return !inGroup;  // a group must end in ")"
  }

  std::vector<KeyStroke> strokes;

 private:
  bool Add(KeyStroke s, std::size_t count = 1) {
    if (strokes.size() + count > kMaxStrokes) return false;
    strokes.insert(strokes.end(), count, s);
    return true;
  }

  bool Item() {
    // Nesting this deep is no key sequence anyone means, and must not exhaust the stack.
    if (++depth_ > kMaxDepth) return false;
    const bool ok = ItemAt();
    --depth_;
    return ok;
  }

  bool ItemAt() {
    const char c = text_[pos_++];
    switch (c) {
      case '{':
        return Brace();
      case '(': {
        if (!Items(true)) return false;
        ++pos_;  // the ")"
        return true;
      }
      case '~':
        return Add({KeyStroke::Key, kReturn, 0});
      case '+':
      case '^':
      case '%': {
        const std::uint8_t m = c == '+' ? kShift : c == '^' ? kControl : kAlt;
        if (!Add({KeyStroke::Down, m, 0})) return false;
        if (pos_ < text_.size() && text_[pos_] != ')' && !Item()) return false;
        return Add({KeyStroke::Up, m, 0});
      }
      default:
        return Add({KeyStroke::Char, 0, c});
    }
  }

  // After "{": "}}" or "} n}" for a closing brace, "c}" or "c n}" for a character,
  // "NAME}" or "NAME n}" for a key.
  bool Brace() {
    const std::size_t start = pos_;
    if (start >= text_.size()) return false;
    const std::size_t close = text_.find('}', text_[start] == '}' ? start + 1 : start);
    if (close == std::string_view::npos) return false;
    const std::string_view inside = text_.substr(start, close - start);
    pos_ = close + 1;

    std::string_view what = inside;
    std::optional<std::string_view> count;
    if (const std::size_t blank = inside.find(' ', 1); inside.size() > 1 && blank != std::string_view::npos) {
      what = inside.substr(0, blank);
      count = inside.substr(blank + 1);
    }
    std::size_t repeat = 1;
    if (count) {
      if (count->empty() || count->size() > 6) return false;
      repeat = 0;
      for (const char d : *count) {
        if (!std::isdigit(static_cast<unsigned char>(d))) return false;
        repeat = repeat * 10 + static_cast<std::size_t>(d - '0');
      }
    }
    if (what.size() == 1) return Add({KeyStroke::Char, 0, what[0]}, repeat);
    const auto vk = KeyByName(what);
    if (!vk) return false;
    return Add({KeyStroke::Key, *vk, 0}, repeat);
  }

  static constexpr int kMaxDepth = 200;
  std::string_view text_;
  std::size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

std::optional<std::vector<KeyStroke>> ParseSendKeys(std::string_view text) {
  Parser parser(text);
  if (!parser.Items(false)) return std::nullopt;
  return std::move(parser.strokes);
}

bool IsExtendedKey(std::uint8_t vk) {
  switch (vk) {
    case 0x21: case 0x22: case 0x23: case 0x24:  // PgUp PgDn End Home
    case 0x25: case 0x26: case 0x27: case 0x28:  // arrows
    case 0x2D: case 0x2E:                        // Ins Del
    case 0x2C:                                   // Print Screen
    case 0x6F:                                   // keypad divide
    case 0x90:                                   // Num Lock
    case 0x03:                                   // Break
      return true;
    default:
      return false;
  }
}

}  // namespace tolvane
