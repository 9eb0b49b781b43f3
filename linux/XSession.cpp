#include "linux/XSession.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <xkbcommon/xkbcommon-x11.h>

#include <algorithm>
#include <cstdlib>

namespace tolvane::posix {

void SurviveLoss(Display* display, bool* lost) {
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  XSetIOErrorHandler([](Display*) { return 0; });
  XSetIOErrorExitHandler(
      display, [](Display*, void* flag) { *static_cast<bool*>(flag) = true; }, lost);
}

XSession::XSession(Display* display, int xkbEvent)
    : display_(display),
      xkbEvent_(xkbEvent),
      context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)),
      wmProtocols_(XInternAtom(display, "WM_PROTOCOLS", False)),
      netWmPing_(XInternAtom(display, "_NET_WM_PING", False)) {}

XSession::~XSession() {
  layouts_.clear();
  if (keymap_) xkb_keymap_unref(keymap_);
  xkb_context_unref(context_);
  XCloseDisplay(display_);
}

std::unique_ptr<XSession> XSession::Open(std::string& error) {
  const char* name = std::getenv("DISPLAY");
  error = "no X display with the XTest and XKB extensions (DISPLAY=" + std::string(name ? name : "") + ")";
  Display* display = name && *name ? XOpenDisplay(nullptr) : nullptr;
  int event = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion, opcode = 0;
  if (!display) return nullptr;
  if (!XTestQueryExtension(display, &event, &errorBase, &major, &minor) ||
      !XkbQueryExtension(display, &opcode, &event, &errorBase, &major, &minor)) {
    XCloseDisplay(display);
    return nullptr;
  }
  std::unique_ptr<XSession> session(new XSession(display, event));
  SurviveLoss(display, &session->lost_);
  const unsigned long keymapChanges = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
  XkbSelectEvents(display, XkbUseCoreKbd, keymapChanges, keymapChanges);
  // Answers to pings come to the root window, as window managers get them.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  if (!session->Load()) {
    error = "cannot read the X server's keymap";
    return nullptr;
  }
  session->Refresh();
  return session;
}

int XSession::fd() const { return lost_ ? -1 : ConnectionNumber(display_); }

bool XSession::Load() {
  xcb_connection_t* xcb = XGetXCBConnection(display_);
  const std::int32_t device = xkb_x11_get_core_keyboard_device_id(xcb);
  xkb_keymap* keymap = device < 0 ? nullptr : xkb_x11_keymap_new_from_device(context_, xcb, device, {});
  if (!keymap) return false;
  layouts_.clear();
  if (keymap_) xkb_keymap_unref(keymap_);
  keymap_ = keymap;
  for (xkb_layout_index_t g = 0; g < std::max(1u, xkb_keymap_num_layouts(keymap)); ++g)
    layouts_.push_back(std::make_unique<XkbLayout>(keymap, g));
  // Codes the core protocol cannot carry (above 255) are no use to XTest.
  spare_.clear();
  const xkb_keycode_t last = std::min<xkb_keycode_t>(xkb_keymap_max_keycode(keymap), 255);
  for (xkb_keycode_t kc = std::max<xkb_keycode_t>(xkb_keymap_min_keycode(keymap), 8); kc <= last; ++kc)
    if (xkb_keymap_num_layouts_for_key(keymap, kc) == 0) spare_.push_back(kc);
  return true;
}

void XSession::Service() {
  const Window root = DefaultRootWindow(display_);
  while (!lost_ && XPending(display_)) {
    XEvent e;
    XNextEvent(display_, &e);
    if (e.type == xkbEvent_) {
      // The bindings of the spare codes are this program's own, and change no key it looks up.
      const auto& x = reinterpret_cast<const XkbEvent&>(e);
      const auto spare = [this](unsigned first, unsigned count) {
        for (unsigned kc = first; kc < first + count; ++kc)
          if (!std::binary_search(spare_.begin(), spare_.end(), kc)) return false;
        return true;
      };
      const bool own = x.any.xkb_type == XkbMapNotify && !(x.map.changed & ~(XkbKeySymsMask | XkbKeyActionsMask)) &&
                       spare(x.map.first_key_sym, x.map.num_key_syms) && spare(x.map.first_key_act, x.map.num_key_acts);
      if ((x.any.xkb_type == XkbNewKeyboardNotify || x.any.xkb_type == XkbMapNotify) && !own) reload_ = true;
    } else if (e.type == ClientMessage && e.xclient.window == root && e.xclient.message_type == wmProtocols_ &&
               static_cast<unsigned long>(e.xclient.data.l[0]) == netWmPing_) {
      if (answered) answered(static_cast<Window>(e.xclient.data.l[2]), static_cast<unsigned long>(e.xclient.data.l[1]));
    } else if (e.type == DestroyNotify) {
      if (e.xdestroywindow.window == target_) focus_ = target_ = 0;
      if (gone) gone(e.xdestroywindow.window);
    } else if (e.type == MappingNotify) {
      XRefreshKeyboardMapping(&e.xmapping);
    }
  }
}

bool XSession::Refresh() {
  if (lost_) return false;
  // The state's reply comes after every event sent before it, so the keymap's are read by then.
  XkbStateRec state{};
  XkbGetState(display_, XkbUseCoreKbd, &state);
  XQueryKeymap(display_, keys_.data());
  Service();
  if (lost_) return false;
  group_ = state.group < layouts_.size() ? state.group : 0;
  lockedGroup_ = state.locked_group;
  lockedMods_ = state.locked_mods;
  const bool changed = reload_ && Load();
  reload_ = false;
  if (group_ >= layouts_.size()) group_ = 0;
  return changed;
}

bool XSession::capsLock() const { return lockedMods_ & LockMask; }

xkb_keysym_t XSession::Keysym(unsigned code) const {
  const xkb_keysym_t* syms = nullptr;
  return xkb_keymap_key_get_syms_by_level(keymap_, code, 0, 0, &syms) > 0 ? syms[0] : 0;
}

std::int16_t XSession::GetKeyState(std::uint8_t key) const {
  if (key == vk::Capital) return capsLock() ? 1 : 0;
  const char* name = XkbKeyName(key);
  const xkb_keycode_t kc = name ? xkb_keymap_key_by_name(keymap_, name) : XKB_KEYCODE_INVALID;
  return kc < 256 && (keys_[kc / 8] & (1 << (kc % 8))) ? static_cast<std::int16_t>(0x8000) : 0;
}

XSession::Window XSession::PingTarget() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == None || focus == PointerRoot) return 0;
  if (focus == focus_) return target_;
  focus_ = focus;
  target_ = 0;
  // The window that speaks the protocols is the application's top-level one; focus may be on a child.
  for (Window w = focus, root = 0, parent = 0; w && w != root && !lost_; w = parent) {
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(display_, w, &protocols, &count)) {
      const bool ping = std::find(protocols, protocols + count, netWmPing_) != protocols + count;
      XFree(protocols);
      if (ping) target_ = w;
      break;
    }
    Window* children = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display_, w, &root, &parent, &children, &n)) break;
    if (children) XFree(children);
  }
  if (target_) XSelectInput(display_, target_, StructureNotifyMask);  // to hear of it going
  return target_;
}

unsigned long XSession::Ping(Window window) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = wmProtocols_;
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(netWmPing_);
  e.xclient.data.l[1] = static_cast<long>(++pings_);
  e.xclient.data.l[2] = static_cast<long>(window);
  XSendEvent(display_, window, False, NoEventMask, &e);
  XFlush(display_);
  return pings_;
}

bool XSession::Await(const std::function<bool()>& done, Clock::time_point deadline) {
  for (;;) {
    Service();  // what Xlib has read already first: the socket may hold nothing more
    if (done()) return true;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (lost_ || left <= 0) return false;
    pollfd p{ConnectionNumber(display_), POLLIN, 0};
    poll(&p, 1, static_cast<int>(left));
  }
}

}  // namespace tolvane::posix
