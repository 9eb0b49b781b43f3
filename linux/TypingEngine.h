// What the Linux backends share: both typing paths of the program played as key presses on
// one output, by the layout the output types with.
#pragma once

#include <memory>
#include <string>

#include "keysynth/KeyInput.h"
#include "linux/XkbLayout.h"
#include "platform/Keyboard.h"
#include "platform/SendKeys.h"

namespace tolvane::posix {

// Where the key presses go: keycodes of the layout's keymap, and characters no key of it has.
class KeyOutput {
 public:
  virtual ~KeyOutput() = default;
  virtual void Key(xkb_keycode_t code, bool down) = 0;
  virtual bool Unicode(char16_t c) = 0;  // false: this output cannot type it
  virtual void Flush() = 0;
};

// A byte of the configuration file, which is in the Windows code page, as a character.
char16_t FromWindows1252(char c);

class TypingEngine {
 public:
  TypingEngine(std::string name, const XkbLayout& layout, const SystemKeyState& states, KeyOutput& out);
  ~TypingEngine();
  tolvane::SendKeys& sendKeys();
  tolvane::Keyboard& keyboard();

  // Plays a batch: AltGr (Ctrl+Alt) as the layout's third-level key, a character without a
  // key as the output's Unicode, or the dead key and a blank, or reported.
  void Play(const std::vector<KeyInput>& batch);

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
