#include "keysynth/KeyParser.h"

#include <cctype>

#include "common/TextToNumber.h"

namespace tolvane {
namespace {

constexpr std::int16_t kShiftBit = 0x100;
constexpr std::int16_t kEnter = 13;

const KeyName kKeyNameTable[] = {
    {20, "CAPSLOCK"}, {144, "NUMLOCK"}, {145, "SCROLLOCK"}, {27, "ESCAPE"}, {27, "ESC"},
    {13, "ENTER"},    {47, "HELP"},     {44, "PRTSC"},      {9, "TAB"},
    {17, "BREAK"},  // the Control key's code, as it always was
    {12, "CLEAR"},    {8, "BACKSPACE"}, {8, "BS"},          {8, "BKSP"},    {46, "DELETE"},
    {46, "DEL"},      {45, "INSERT"},   {37, "LEFT"},       {39, "RIGHT"},  {38, "UP"},
    {40, "DOWN"},     {33, "PGUP"},     {34, "PGDN"},       {36, "HOME"},   {35, "END"},
    {112, "F1"},      {113, "F2"},      {114, "F3"},        {115, "F4"},    {116, "F5"},
    {117, "F6"},      {118, "F7"},      {119, "F8"},        {120, "F9"},    {121, "F10"},
    {122, "F11"},     {123, "F12"},     {124, "F13"},       {125, "F14"},   {126, "F15"},
    {127, "F16"},
};
static_assert(sizeof(kKeyNameTable) / sizeof(kKeyNameTable[0]) == 41);

// A parse in progress that waits for an inner item: a group, or a modifier's target.
constexpr std::int16_t kGroupFrame = 0;

}  // namespace

void KeyParser::InitKeyNames() {
  if (NamesLoaded) return;
  KeyNames.assign(std::begin(kKeyNameTable), std::end(kKeyNameTable));
  NamesLoaded = true;
}

std::int16_t KeyParser::LookupKeyCode(std::string_view text) {
  if (text.size() == 1) return keyboard_.VkKeyScan(static_cast<std::uint8_t>(text[0]));
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return 0;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  std::string upper(text);
  for (auto& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const auto& k : KeyNames)
    if (upper == k.Name) return k.Code;
  return 0;
}

std::int16_t KeyParser::ParseKeys(std::string_view keys) {
  QueueHead = 0;
  QueueTail = 0;
  KeyString.assign(keys);
  ParsePos = 0;
  if (KeyString.size() > kMaxKeyStringLength) return kQueueFull;
  while (ParsePos < Length()) {
    const std::int16_t r = ParseKeyItem();
    if (r != kParseOk) return r;
  }
  return kParseOk;
}

bool KeyParser::Enqueue(std::int16_t code) {
  if (QueueTail >= kKeyQueueSize) return false;
  KeyQueue[static_cast<std::size_t>(QueueTail++)] = code;
  return true;
}

std::int16_t KeyParser::EnqueueKey(std::int16_t key, int count) {
  const bool shift = (key & kShiftBit) != 0;
  const auto code = static_cast<std::int16_t>(key & 0xFF);
  // The queue reads 16..18 as modifier toggles; a key with such a code ({BREAK} is Ctrl)
  // goes in as a pair, so it is pressed and released and never left down.
  const bool modifier = code >= 16 && code <= 18;
  if (shift && !Enqueue(16)) return kQueueFull;
  // A negative count keeps going until the queue is full.
  for (int i = 0; count < 0 || i < count; ++i) {
    if (!Enqueue(code)) return kQueueFull;
    if (modifier && !Enqueue(code)) return kQueueFull;
  }
  if (shift && !Enqueue(16)) return kQueueFull;
  return kParseOk;
}

// One item after ParsePos. Groups and modifiers nest; they are kept on an explicit stack
// so that deeply nested input cannot exhaust the call stack.
std::int16_t KeyParser::ParseKeyItem() {
  std::vector<std::int16_t> frames;  // kGroupFrame or a modifier code
  std::int16_t result = kParseOk;

  for (;;) {
    // Start an item.
    bool finished = true;
    ++ParsePos;
    if (ParsePos <= Length()) {
      const char ch = At(ParsePos);
      switch (ch) {
        case '{':
          result = ParseBraceItem();
          break;
        case '(':
          frames.push_back(kGroupFrame);
          finished = false;
          break;
        case '~':
          result = Enqueue(kEnter) ? kParseOk : kQueueFull;
          break;
        case '+':
        case '^':
        case '%': {
          const std::int16_t m = ch == '+' ? 16 : ch == '^' ? 17 : 18;
          if (!Enqueue(m)) {
            result = kQueueFull;
          } else {
            frames.push_back(m);
            continue;  // parse the modified item
          }
          break;
        }
        default:
          result = EnqueueKey(keyboard_.VkKeyScan(static_cast<std::uint8_t>(ch)), 1);
          break;
      }
    }

    // Unwind finished items into the frames that wait for them.
    for (;;) {
      if (finished) {
        if (frames.empty() || result != kParseOk) return result;
        if (frames.back() != kGroupFrame) {
          const std::int16_t m = frames.back();
          frames.pop_back();
          result = Enqueue(m) ? kParseOk : kQueueFull;
          continue;
        }
      }
      // A group goes on until ")" or the end of the string.
      if (ParsePos <= Length() && At(ParsePos + 1) != ')') break;  // parse the next inner item
      frames.pop_back();
      if (ParsePos > Length()) {
        result = kNoClosingParen;
      } else {
        ++ParsePos;
        result = kParseOk;
      }
      finished = true;
    }
  }
}

std::int16_t KeyParser::ParseBraceItem() {
  const int p = ParsePos;
  std::int16_t key = 0;
  bool haveKey = false;
  int j = p;
  if (At(p + 1) == '}') {
    key = keyboard_.VkKeyScan('}');
    haveKey = true;
    j = p + 1;
  } else if (At(p + 1) == ' ' && At(p + 2) == '}') {
    key = keyboard_.VkKeyScan(' ');
    haveKey = true;
    j = p + 1;
  }
  char c = '\0';
  do {
    ++j;
    c = At(j);
  } while (c != ' ' && c != '}' && j <= Length());
  if (j > Length()) return kNoClosingBrace;

  if (!haveKey) {
    key = LookupKeyCode(std::string_view(KeyString).substr(static_cast<std::size_t>(p), static_cast<std::size_t>(j - p - 1)));
    if (key == 0) return kUnknownKeyName;
  }

  int count = 1;
  if (c == ' ') {
    ++j;
    const auto n = ToInt16(TextToNumber(std::string_view(KeyString).substr(static_cast<std::size_t>(j - 1))));
    if (!n) return kBadRepeatCount;
    count = *n;
  }
  if (count == 0) return kBadRepeatCount;
  if (const auto r = EnqueueKey(key, count); r != kParseOk) return r;

  while (c != '}') {
    ++j;
    c = At(j);
    if (j > Length()) return kNoClosingBrace;
  }
  ParsePos = static_cast<std::int16_t>(j);
  return kParseOk;
}

}  // namespace tolvane
