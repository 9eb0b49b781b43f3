#include "linux/Typing.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "linux/TypingEngine.h"
#include "linux/Uinput.h"
#include "linux/XSession.h"
#include "linux/XTest.h"

namespace tolvane::posix {
namespace {

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

// The X server's keyboard state: Caps Lock and the modifiers held. Without a server, what the
// output knows (a uinput keyboard's Caps Lock light), else nothing held and Caps Lock off.
class XKeyState : public SystemKeyState {
 public:
  // The server's keys are found by name in its own keymap, whatever keymap the typing uses.
  XKeyState(Display* display, xkb_keymap* serverKeymap, const SystemKeyState* without)
      : display_(display), keymap_(serverKeymap ? xkb_keymap_ref(serverKeymap) : nullptr), without_(without) {
    if (display_) SurviveLoss(display_, &lost_);  // the typing goes on without the X server
  }
  ~XKeyState() override {
    if (keymap_) xkb_keymap_unref(keymap_);
  }
  XKeyState(const XKeyState&) = delete;
  XKeyState& operator=(const XKeyState&) = delete;
  std::int16_t GetKeyState(std::uint8_t key) const override {
    if (!display_ || !keymap_ || lost_) return without_ ? without_->GetKeyState(key) : 0;
    if (key == vk::Capital) {
      XkbStateRec state{};
      XkbGetState(display_, XkbUseCoreKbd, &state);
      return (state.locked_mods & LockMask) ? 1 : 0;
    }
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    const char* name = XkbKeyName(key);
    const xkb_keycode_t kc = name ? xkb_keymap_key_by_name(keymap_, name) : XKB_KEYCODE_INVALID;
    return (kc < 256 && (keys[kc / 8] & (1 << (kc % 8)))) ? static_cast<std::int16_t>(0x8000) : 0;
  }

 private:
  Display* display_;
  xkb_keymap* keymap_;
  const SystemKeyState* without_;
  bool lost_ = false;
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
          xkb_keymap* serverKeymap, const SystemKeyState* outputState = nullptr)
      : name_(std::move(name)),
        out_(std::move(out)),
        layout_(keymap),
        states_(stateDisplay, serverKeymap, outputState),
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

std::string UinputUnavailable(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 && errno == ENOENT)
    return path +
           " does not exist: the kernel's uinput module is not loaded (sudo modprobe uinput; to load it at "
           "every start: echo uinput | sudo tee /etc/modules-load.d/uinput.conf)";
  if (access(path.c_str(), W_OK) == 0) return "";
  return path + " cannot be written by this user (" + std::strerror(errno) +
         "): install the udev rule shipped with the package (/usr/lib/udev/rules.d/60-tolvane-uinput.rules), "
         "which lets the user at the computer's own seat write it, then log in again";
}

std::unique_ptr<Typing> OpenTyping(const TypingOptions& options, std::string& error, std::string& notice) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  TypingMode mode = options.mode;
  if (mode == TypingMode::Auto) {
    const std::string uinput = UinputUnavailable();
    if (uinput.empty()) {
      mode = TypingMode::Uinput;
    } else if (display && *display) {
      mode = TypingMode::Xtest;
      if (wayland && *wayland)
        notice = "typing through XTest, which reaches only X11 applications in this Wayland session, because " +
                 uinput + ".";
    } else {
      error = "no way to type: " + uinput + "; or run under X11 with --typing xtest.";
      return nullptr;
    }
  }
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  Display* x = mode == TypingMode::Uinput && display && *display ? XOpenDisplay(nullptr) : nullptr;
  std::unique_ptr<Typing> typing;
  if (mode == TypingMode::Xtest) {
    typing = OpenXtestTyping(error);
  } else {
    std::string layout = options.xkbLayout, variant = options.xkbVariant;
    xkb_keymap* keymap = nullptr;
    xkb_keymap* server = x ? ServerKeymap(context, x) : nullptr;
    if (layout.empty() && server) keymap = xkb_keymap_ref(server);
    if (!keymap) {
      if (layout.empty()) SystemLayout(layout, variant);
      keymap = KeymapFromNames(context, layout, variant);
    }
    std::unique_ptr<UinputOutput> out = keymap ? MakeUinputOutput(error) : nullptr;
    if (!keymap) error = "unknown keyboard layout " + layout + (variant.empty() ? "" : "(" + variant + ")");
    const SystemKeyState* lights = out.get();
    if (out) typing = std::make_unique<Backend>("uinput", std::move(out), keymap, x, server, lights);
    if (keymap) xkb_keymap_unref(keymap);
    if (server) xkb_keymap_unref(server);
    if (typing) x = nullptr;  // kept for reading the keyboard's state
  }
  if (x) XCloseDisplay(x);
  xkb_context_unref(context);
  return typing;
}

}  // namespace tolvane::posix
