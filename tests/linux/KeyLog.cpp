// An X client that takes the keyboard focus and logs what it receives, one line per key press:
//   <ms since the Unix epoch> <keycode> <XKB key name> <keysym name> <the character as UTF-8, if any>
// The character comes last, so that a space or a dash reads as itself.
// It answers _NET_WM_PING (EWMH) when it comes to it among its events, as toolkits do.
// Usage: tolvane-keylog <log file> [--late ms] [--no-ping]
//   --late ms   the first key press or keymap change finds the client busy: it reads on ms later
//   --no-ping   the window does not offer _NET_WM_PING
// Helpers that change or read the X server's keyboard and print what it then has:
//   tolvane-keylog lock-group <n>      lock group n; prints the locked group
//   tolvane-keylog lock-caps <0|1>     Caps Lock off or on; prints the locked modifiers
//   tolvane-keylog key <name> [group]  prints the keycode of <name> (AD06) and its first two keysyms
//   tolvane-keylog state               prints the locked group and the locked modifiers
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

long long Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string KeyName(XkbDescPtr xkb, unsigned code) {
  if (!xkb || !xkb->names || !xkb->names->keys || code < xkb->min_key_code || code > xkb->max_key_code) return "-";
  const std::string name(xkb->names->keys[code].name, strnlen(xkb->names->keys[code].name, XkbKeyNameLength));
  return name.empty() ? "-" : "<" + name + ">";
}

XkbDescPtr Keymap(Display* d) {
  XkbDescPtr xkb = XkbGetMap(d, XkbAllClientInfoMask, XkbUseCoreKbd);
  if (xkb) XkbGetNames(d, XkbKeyNamesMask, xkb);
  return xkb;
}

// The helpers: each prints what the server has after it, so a test bed can check its premise.
int Helper(Display* d, int argc, char** argv) {
  const std::string what = argv[1];
  XkbStateRec state{};
  if (what == "lock-group" && argc > 2) {
    XkbLockGroup(d, XkbUseCoreKbd, static_cast<unsigned>(std::atoi(argv[2])));
    XSync(d, False);
    XkbGetState(d, XkbUseCoreKbd, &state);
    std::printf("%d\n", state.locked_group);
    return 0;
  }
  if (what == "lock-caps" && argc > 2) {
    XkbLockModifiers(d, XkbUseCoreKbd, LockMask, std::atoi(argv[2]) ? LockMask : 0);
    XSync(d, False);
    XkbGetState(d, XkbUseCoreKbd, &state);
    std::printf("%d\n", state.locked_mods);
    return 0;
  }
  if (what == "state") {
    XkbGetState(d, XkbUseCoreKbd, &state);
    std::printf("%d %d\n", state.locked_group, state.locked_mods);
    return 0;
  }
  if (what == "key" && argc > 2) {
    XkbDescPtr xkb = Keymap(d);
    const int group = argc > 3 ? std::atoi(argv[3]) : 0;
    for (unsigned code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
      if (KeyName(xkb, code) != "<" + std::string(argv[2]) + ">") continue;
      const auto sym = [&](int level) {
        const char* s = group < XkbKeyNumGroups(xkb, code) && level < XkbKeyGroupWidth(xkb, code, group)
                            ? XKeysymToString(XkbKeySymEntry(xkb, code, level, group))
                            : nullptr;
        return s ? s : "NoSymbol";
      };
      std::printf("%u %s %s\n", code, sym(0), sym(1));
      return 0;
    }
    return 1;
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  if (!d || argc < 2) return 1;
  if (argv[1][0] != '/' && argv[1][0] != '.') return Helper(d, argc, argv);
  FILE* log = std::fopen(argv[1], "w");
  if (!log) return 1;
  int late = 0;
  bool ping = true;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--late") && i + 1 < argc) late = std::atoi(argv[++i]);
    if (!std::strcmp(argv[i], "--no-ping")) ping = false;
  }
  int xkbEvent = 0;
  XkbQueryExtension(d, nullptr, &xkbEvent, nullptr, nullptr, nullptr);
  XkbSelectEvents(d, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                  XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
  const Window root = DefaultRootWindow(d);
  const Window w = XCreateSimpleWindow(d, root, 0, 0, 300, 100, 0, 0, 0xFFFFFF);
  XSelectInput(d, w, KeyPressMask | ExposureMask);
  XStoreName(d, w, "Tolvane Key Log");
  Atom protocols[] = {XInternAtom(d, "WM_DELETE_WINDOW", False), XInternAtom(d, "_NET_WM_PING", False)};
  XSetWMProtocols(d, w, protocols, ping ? 2 : 1);
  const Atom wmProtocols = XInternAtom(d, "WM_PROTOCOLS", False);
  XMapRaised(d, w);
  XSync(d, False);
  XkbDescPtr xkb = Keymap(d);
  for (XEvent e;;) {
    XNextEvent(d, &e);
    const bool keyboard = e.type == KeyPress || e.type == MappingNotify || e.type == xkbEvent;
    if (keyboard && late > 0) {
      usleep(static_cast<useconds_t>(late) * 1000);
      late = 0;
    }
    if (e.type == Expose) XSetInputFocus(d, w, RevertToParent, CurrentTime);
    if (e.type == MappingNotify) XRefreshKeyboardMapping(&e.xmapping);
    if (e.type == xkbEvent) {  // names of the keys for the log
      XkbFreeKeyboard(xkb, 0, True);
      xkb = Keymap(d);
    }
    if (e.type == ClientMessage && e.xclient.message_type == wmProtocols &&
        static_cast<Atom>(e.xclient.data.l[0]) == protocols[1]) {
      e.xclient.window = root;
      XSendEvent(d, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &e);
      XFlush(d);
    }
    if (e.type != KeyPress) continue;
    KeySym sym = NoSymbol;
    XLookupString(&e.xkey, nullptr, 0, &sym, nullptr);
    char text[8] = "";
    xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(sym), text, sizeof text);
    const char* name = XKeysymToString(sym);
    const bool printable = static_cast<unsigned char>(text[0]) >= 32 && text[0] != 127;
    std::fprintf(log, "%lld %u %s %s %s\n", Now(), e.xkey.keycode, KeyName(xkb, e.xkey.keycode).c_str(),
                 name ? name : "?", printable ? text : "");
    std::fflush(log);
  }
}
