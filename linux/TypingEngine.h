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
#include "linux/Compose.h"
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
  // Whether the output is a keyboard of its own, whose keys the system tracks apart from the
  // user's (uinput): a key the user holds can be neither released nor pressed again through it.
  virtual bool SeparateKeys() const { return false; }
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

// Time as the typing waits on it, in microseconds of a monotonic clock; tests give their own.
class TypingClock {
 public:
  virtual ~TypingClock() = default;
  virtual std::int64_t Now() = 0;
  virtual void SleepUntil(std::int64_t when) = 0;
};
TypingClock& SystemClock();

class TypingEngine {
 public:
  TypingEngine(std::string name, const XkbLayout& layout, const SystemKeyState& states, KeyOutput& out,
               TypingClock& clock = SystemClock());
  ~TypingEngine();
  tolvane::SendKeys& sendKeys();
  tolvane::Keyboard& keyboard();

  // Plays a batch: AltGr (the Ctrl+Alt a character's key needs) as the layout's third-level key,
  // a character without a key bound by the output or composed with dead keys (by the locale's
  // Compose table). False, with nothing typed and the reason on standard error, when any part
  // of it cannot be typed intact.
  bool Play(const std::vector<KeyInput>& batch);

  const std::string name;
  const XkbLayout& layout;
  const SystemKeyState& states;
  KeyOutput& out;
  TypingClock& clock;

 private:
  bool WaitForHeldKeys();
  const Composer& composer();

  struct Facility;
  struct Console;
  std::unique_ptr<Facility> facility_;
  std::unique_ptr<Console> console_;
  std::unique_ptr<Composer> composer_;
};

}  // namespace tolvane::posix
