// What the Linux backends share: both typing paths of the program played as key presses on
// one output, by the layout the output types with. A batch is planned whole before its first
// key: a character that cannot be typed intact stops the whole batch, so a record is never
// typed in part and then submitted by its postamble. (An output that binds characters again
// within a batch can still fail halfway, when the window stops answering: the rest, postamble
// and all, is dropped.)
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "keysynth/KeyInput.h"
#include "linux/XkbLayout.h"
#include "platform/Keyboard.h"
#include "platform/SendKeys.h"

namespace tolvane::posix {

// Where the key presses go: keycodes of the layout's keymap.
class KeyOutput {
 public:
  virtual ~KeyOutput() = default;
  // Whether characters no key of the layout has can be bound to keys of their own (XTest);
  // otherwise they are typed through the layout's dead keys or not at all.
  virtual bool BindsCharacters() const { return false; }
  // Before any key of a batch: makes every one of these characters typable with Character(),
  // all or none. False, with the reason, when they cannot all be.
  virtual bool Prepare(const std::u16string& chars, std::string& why) {
    why = "no key for it";
    return chars.empty();
  }
  // Types a character Prepare made typable; false when it cannot now, and the batch stops there.
  virtual bool Character(char16_t) { return false; }
  virtual void Key(xkb_keycode_t code, bool down) = 0;
  virtual void Flush() = 0;  // the end of a batch
};

// A byte of the configuration file, which is in the Windows code page, as a character.
char16_t FromWindows1252(char c);

// What a character with no key of its own is typed as: taps of (virtual key, modifiers), dead
// keys first; empty when the layout cannot compose it.
using KeySequence = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

class TypingEngine {
 public:
  TypingEngine(std::string name, const XkbLayout& layout, const SystemKeyState& states, KeyOutput& out);
  ~TypingEngine();
  tolvane::SendKeys& sendKeys();
  tolvane::Keyboard& keyboard();

  // Plays a batch: AltGr (the Ctrl+Alt a character's key needs) as the layout's third-level key,
  // a character without a key bound by the output or composed with dead keys. False, with
  // nothing typed and the reason on standard error, when any part of it cannot be typed intact.
  bool Play(const std::vector<KeyInput>& batch);

  const std::string name;
  const XkbLayout& layout;
  const SystemKeyState& states;
  KeyOutput& out;

 private:
  struct Facility;
  struct Console;
  std::unique_ptr<Facility> facility_;
  std::unique_ptr<Console> console_;
};

}  // namespace tolvane::posix
