#include "linux/XTest.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <map>

namespace tolvane::posix {
namespace {

// XTest: key codes of the X server's own keymap; a character it lacks is bound to a spare
// key code for the moment it is typed.
class XtestOutput : public KeyOutput {
 public:
  explicit XtestOutput(Display* display) : display_(display) {}
  ~XtestOutput() override {
    Restore();
    XCloseDisplay(display_);
  }

  void Key(xkb_keycode_t code, bool down) override { XTestFakeKeyEvent(display_, code, down, CurrentTime); }
  bool BindsCharacters() const override { return true; }
  // Each character gets a spare key code of its own; the mapping goes back once applications
  // have had time to read the keys with it (a second later, or at exit).
  bool Prepare(const std::u16string& chars, std::string& why) override {
    if (!bound_.empty() && std::chrono::steady_clock::now() - boundAt_ > std::chrono::seconds(1)) Restore();
    boundAt_ = std::chrono::steady_clock::now();
    for (const char16_t c : chars) {
      if (bound_.count(c)) continue;
      int low = 0, high = 0, perCode = 0;
      XDisplayKeycodes(display_, &low, &high);
      KeySym* map = XGetKeyboardMapping(display_, static_cast<KeyCode>(low), high - low + 1, &perCode);
      int spare = 0;
      for (int kc = high; kc >= low && !spare; --kc) {
        bool empty = true;
        for (int i = 0; i < perCode; ++i) empty = empty && map[(kc - low) * perCode + i] == NoSymbol;
        if (empty) spare = kc;
      }
      XFree(map);
      if (!spare) {
        why = "no spare key code left";
        return false;
      }
      KeySym sym = c < 0x100 ? c : 0x1000000 | c;
      XChangeKeyboardMapping(display_, spare, 1, &sym, 1);
      bound_.emplace(c, spare);
    }
    XSync(display_, False);
    return true;
  }
  void Character(char16_t c) override {
    const auto it = bound_.find(c);
    if (it == bound_.end()) return;
    XTestFakeKeyEvent(display_, static_cast<unsigned>(it->second), True, CurrentTime);
    XTestFakeKeyEvent(display_, static_cast<unsigned>(it->second), False, CurrentTime);
  }
  void Flush() override { XSync(display_, False); }

 private:
  void Restore() {
    for (const auto& [c, kc] : bound_) {
      KeySym none = NoSymbol;
      XChangeKeyboardMapping(display_, kc, 1, &none, 1);
    }
    bound_.clear();
    XSync(display_, False);
  }

  Display* display_;
  std::map<char16_t, int> bound_;
  std::chrono::steady_clock::time_point boundAt_;
};

}  // namespace

std::unique_ptr<KeyOutput> MakeXtestOutput(Display* display) { return std::make_unique<XtestOutput>(display); }

}  // namespace tolvane::posix
