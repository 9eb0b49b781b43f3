#include "linux/Typing.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include "linux/TypingEngine.h"

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

// uinput: a virtual keyboard of the kernel, seen by X11, Wayland and the console alike.
class UinputOutput : public KeyOutput {
 public:
  explicit UinputOutput(int fd) : fd_(fd) {}
  ~UinputOutput() override {
    ioctl(fd_, UI_DEV_DESTROY);
    ::close(fd_);
  }
  // The keymap was compiled with the kernel's keycodes: evdev code plus 8.
  void Key(xkb_keycode_t code, bool down) override {
    Emit(EV_KEY, static_cast<std::uint16_t>(code - 8), down ? 1 : 0);
    Emit(EV_SYN, SYN_REPORT, 0);
  }
  void Flush() override {}

 private:
  void Emit(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event e{};
    e.type = type;
    e.code = code;
    e.value = value;
    static_cast<void>(::write(fd_, &e, sizeof e));
  }
  int fd_;
};

int CreateUinputDevice(std::string& error) {
  const int fd = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("cannot open /dev/uinput: ") + std::strerror(errno);
    return -1;
  }
  ioctl(fd, UI_SET_EVBIT, EV_KEY);
  ioctl(fd, UI_SET_EVBIT, EV_SYN);
  for (int key = 1; key < 256; ++key) ioctl(fd, UI_SET_KEYBIT, key);
  uinput_setup setup{};
  setup.id.bustype = BUS_VIRTUAL;
  setup.id.vendor = 0x1209;
  setup.id.product = 0x7a1e;
  std::snprintf(setup.name, sizeof setup.name, "Tolvane virtual keyboard");
  if (ioctl(fd, UI_DEV_SETUP, &setup) != 0 || ioctl(fd, UI_DEV_CREATE) != 0) {
    error = std::string("cannot create the virtual keyboard: ") + std::strerror(errno);
    ::close(fd);
    return -1;
  }
  usleep(200000);  // the desktop takes the new keyboard in before it is typed on
  return fd;
}

// XKBLAYOUT and XKBVARIANT of the system's keyboard configuration.
void SystemLayout(std::string& layout, std::string& variant) {
  std::ifstream in("/etc/default/keyboard");
  for (std::string line; std::getline(in, line);) {
    const auto value = [&line] {
      std::string v = line.substr(line.find('=') + 1);
      if (v.size() >= 2 && v.front() == '"') v = v.substr(1, v.size() - 2);
      return v.substr(0, v.find(','));
    };
    if (line.rfind("XKBLAYOUT=", 0) == 0) layout = value();
    if (line.rfind("XKBVARIANT=", 0) == 0) variant = value();
  }
}

// The X server's keyboard state: Caps Lock and the modifiers held.
class XKeyState : public SystemKeyState {
 public:
  // The server's keys are found by name in its own keymap, whatever keymap the typing uses.
  XKeyState(Display* display, xkb_keymap* serverKeymap)
      : display_(display), keymap_(serverKeymap ? xkb_keymap_ref(serverKeymap) : nullptr) {}
  ~XKeyState() override {
    if (keymap_) xkb_keymap_unref(keymap_);
  }
  XKeyState(const XKeyState&) = delete;
  XKeyState& operator=(const XKeyState&) = delete;
  std::int16_t GetKeyState(std::uint8_t key) const override {
    if (!display_ || !keymap_) return 0;
    if (key == vk::Capital) {
      XkbStateRec state{};
      XkbGetState(display_, XkbUseCoreKbd, &state);
      return (state.locked_mods & LockMask) ? 1 : 0;
    }
    char keys[32];
    XQueryKeymap(display_, keys);
    const char* name = XkbKeyName(key);
    const xkb_keycode_t kc = name ? xkb_keymap_key_by_name(keymap_, name) : XKB_KEYCODE_INVALID;
    return (kc < 256 && (keys[kc / 8] & (1 << (kc % 8)))) ? static_cast<std::int16_t>(0x8000) : 0;
  }

 private:
  Display* display_;
  xkb_keymap* keymap_;
};

xkb_keymap* ServerKeymap(xkb_context* context, Display* display) {
  xcb_connection_t* xcb = XGetXCBConnection(display);
  const std::int32_t device = xkb_x11_get_core_keyboard_device_id(xcb);
  if (device < 0) return nullptr;
  return xkb_x11_keymap_new_from_device(context, xcb, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

class Backend : public Typing {
 public:
  Backend(std::string name, std::unique_ptr<KeyOutput> out, xkb_keymap* keymap, Display* stateDisplay,
          xkb_keymap* serverKeymap)
      : name_(std::move(name)),
        out_(std::move(out)),
        layout_(keymap),
        states_(stateDisplay, serverKeymap),
        engine_(name_, layout_, states_, *out_) {}
  std::string Name() const override { return name_; }
  tolvane::SendKeys& sendKeys() override { return engine_.sendKeys(); }
  tolvane::Keyboard& keyboard() override { return engine_.keyboard(); }

 private:
  std::string name_;
  std::unique_ptr<KeyOutput> out_;
  XkbLayout layout_;
  XKeyState states_;
  TypingEngine engine_;
};

}  // namespace

std::unique_ptr<Typing> OpenTyping(const TypingOptions& options, std::string& error) {
  const char* display = std::getenv("DISPLAY");
  TypingMode mode = options.mode;
  if (mode == TypingMode::Auto) {
    if (access("/dev/uinput", W_OK) == 0)
      mode = TypingMode::Uinput;
    else if (display && *display)
      mode = TypingMode::Xtest;
    else {
      error =
          "no way to type: /dev/uinput cannot be written and there is no X display. Install the udev rule "
          "(/lib/udev/rules.d/60-tolvane-uinput.rules, shipped with the package), add yourself to the "
          "group it names (sudo usermod -aG input $USER), and log in again; or run under X11 with "
          "--typing xtest.";
      return nullptr;
    }
  }
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  Display* x = display && *display ? XOpenDisplay(nullptr) : nullptr;
  std::unique_ptr<Typing> typing;
  if (mode == TypingMode::Xtest) {
    int event = 0, errorBase = 0, major = 0, minor = 0;
    if (!x || !XTestQueryExtension(x, &event, &errorBase, &major, &minor)) {
      error = "no X display with the XTest extension (DISPLAY=" + std::string(display ? display : "") + ")";
    } else if (xkb_keymap* keymap = ServerKeymap(context, x)) {
      typing = std::make_unique<Backend>("xtest", std::make_unique<XtestOutput>(x), keymap, x, keymap);
      xkb_keymap_unref(keymap);
      x = nullptr;  // the backend owns it
    } else {
      error = "cannot read the X server's keymap";
    }
  } else {
    std::string layout = options.xkbLayout, variant = options.xkbVariant;
    xkb_keymap* keymap = nullptr;
    xkb_keymap* server = x ? ServerKeymap(context, x) : nullptr;
    if (layout.empty() && server) keymap = xkb_keymap_ref(server);
    if (!keymap) {
      if (layout.empty()) SystemLayout(layout, variant);
      keymap = KeymapFromNames(context, layout, variant);
    }
    const int fd = keymap ? CreateUinputDevice(error) : -1;
    if (!keymap) error = "unknown keyboard layout " + layout + (variant.empty() ? "" : "(" + variant + ")");
    if (fd >= 0) typing = std::make_unique<Backend>("uinput", std::make_unique<UinputOutput>(fd), keymap, x, server);
    if (keymap) xkb_keymap_unref(keymap);
    if (server) xkb_keymap_unref(server);
    if (typing) x = nullptr;  // kept for reading the keyboard's state
  }
  if (x) XCloseDisplay(x);
  xkb_context_unref(context);
  return typing;
}

}  // namespace tolvane::posix
