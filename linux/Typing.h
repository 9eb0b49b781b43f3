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
  // A backend on the X server: its connection for the loop to watch (-1 for none), and what it
  // does when the connection is readable. While the server is gone (Lost), records are refused
  // and Reconnect, called once a second, tries to open it again.
  virtual int Connection() const { return -1; }
  virtual void Service() {}
  virtual bool Lost() const { return false; }
  virtual void Reconnect() {}
};

// The chosen backend; null with a message that says what is missing and how to grant it
// (for uinput: the udev rule shipped with the program) when none can be used. notice tells
// of a choice the user should know of: XTest in a Wayland session, which reaches only X11
// applications.
std::unique_ptr<Typing> OpenTyping(const TypingOptions& options, std::string& error, std::string& notice);

// Why the uinput device at path cannot be used, and the fix; empty when it can be written.
std::string UinputUnavailable(const std::string& path = "/dev/uinput");

// The platform's typing facilities before the backend behind them is open: the program is
// built, and loads the configuration that names the layout, first. Nothing may type before
// Open succeeds (the core types only from the loop, after start-up).
class DeferredTyping : public tolvane::SendKeys, public tolvane::Keyboard {
 public:
  // Opens the backend; again, a new one that replaces the old only once it is open.
  bool Open(const TypingOptions& options, std::string& error, std::string& notice) {
    auto typing = OpenTyping(options, error, notice);
    if (!typing) return false;
    typing_ = std::move(typing);
    return true;
  }
  std::string Name() const { return typing_->Name(); }
  int Connection() const { return typing_ ? typing_->Connection() : -1; }
  void Service() { typing_->Service(); }
  bool Lost() const { return typing_ && typing_->Lost(); }
  void Reconnect() { typing_->Reconnect(); }

  Delivery SendBatch(const std::vector<std::string>& texts, bool wait) override {
    return typing_->sendKeys().SendBatch(texts, wait);
  }
  std::int16_t VkKeyScan(std::uint8_t c) override { return typing_->keyboard().VkKeyScan(c); }
  std::uint8_t MapVirtualKey(std::uint8_t vk) override { return typing_->keyboard().MapVirtualKey(vk); }
  KeyboardState GetKeyboardState() override { return typing_->keyboard().GetKeyboardState(); }
  void SetKeyboardState(const KeyboardState& state) override { typing_->keyboard().SetKeyboardState(state); }
  void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override {
    typing_->keyboard().KeybdEvent(vk, scan, flags);
  }

 private:
  std::unique_ptr<Typing> typing_;
};

}  // namespace tolvane::posix
