// How the Linux program types: one backend (a uinput virtual keyboard, or XTest on the X
// server) serves both typing paths, the send-keys facility and the console path.
#pragma once

#include <memory>
#include <string>

#include "platform/Keyboard.h"
#include "platform/SendKeys.h"

namespace tolvane::posix {

enum class TypingMode { Auto, Uinput, Xtest };

struct TypingOptions {
  TypingMode mode = TypingMode::Auto;
  // The keyboard layout uinput typing must produce characters for; empty: the system's
  // configured layout (/etc/default/keyboard, or the X server's keymap when there is one),
  // else "us".
  std::string xkbLayout, xkbVariant;
};

class Typing {
 public:
  virtual ~Typing() = default;
  // "uinput" or "xtest", for the status line.
  virtual std::string Name() const = 0;
  virtual SendKeys& sendKeys() = 0;  // the facility for ordinary applications
  virtual Keyboard& keyboard() = 0;  // the console path (DOSTarget)
};

// The chosen backend; null with a message that says what is missing and how to grant it
// (for uinput: the udev rule shipped with the program) when none can be used.
std::unique_ptr<Typing> OpenTyping(const TypingOptions& options, std::string& error);

}  // namespace tolvane::posix
