// Key emission of the console typing path: parses a whole key string, then types it as
// individual presses and releases with the key state cleared and Caps Lock off (by a Shift
// tap where Shift turns it off), and puts both back afterwards. A character's AltGr is the
// right Alt key where that is AltGr. Never leaves a modifier down.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "keysynth/KeyParser.h"
#include "platform/Keyboard.h"

namespace tolvane {

struct KeyEventState {
  std::int16_t CurKey = 0;
  bool KeyDown = false;
  bool ShiftOn = false;
  bool CtrlOn = false;
  bool AltOn = false;
};

struct KeyEvent {
  std::uint8_t code;
  bool down;
  bool altGr = false;  // Ctrl or Alt of a character's AltGr
};

class ConsoleKeyEmitter {
 public:
  explicit ConsoleKeyEmitter(Keyboard& keyboard) : parser(keyboard), keyboard_(keyboard) {}

  // The parser's result: 0 when typed, 1..6 when nothing was typed.
  std::int16_t SimSendKeys(std::string_view keys);
  // Whether the layout has a key for every character of the text (a text that cannot be read
  // counts as having them: it types nothing either way).
  bool HasKeysFor(std::string_view keys) { return parser.ParseKeys(keys) != kNoKeyForCharacter; }
  // The next press or release of the parsed queue; none when it is exhausted.
  std::optional<KeyEvent> NextKeyEvent();
  void ResetKeyEvents();

  KeyParser parser;
  KeyEventState events;

 private:
  void ToggleCapsLock();

  Keyboard& keyboard_;
};

}  // namespace tolvane
