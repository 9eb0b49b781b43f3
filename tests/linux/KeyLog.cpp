// An X client that takes the keyboard focus and logs what it receives, one line per key press:
//   <keysym name> <the character as UTF-8, or nothing> <ms since the Unix epoch>
// Usage: tolvane-keylog <log file>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  Display* d = XOpenDisplay(nullptr);
  FILE* log = argc > 1 ? std::fopen(argv[1], "w") : nullptr;
  if (!d || !log) return 1;
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 300, 100, 0, 0, 0xFFFFFF);
  XSelectInput(d, w, KeyPressMask | ExposureMask);
  XStoreName(d, w, "Tolvane Key Log");
  XMapRaised(d, w);
  XSync(d, False);
  for (XEvent e;;) {
    XNextEvent(d, &e);
    if (e.type == Expose) XSetInputFocus(d, w, RevertToParent, CurrentTime);
    if (e.type == MappingNotify) XRefreshKeyboardMapping(&e.xmapping);
    if (e.type != KeyPress) continue;
    KeySym sym = NoSymbol;
    XLookupString(&e.xkey, nullptr, 0, &sym, nullptr);
    if (sym == NoSymbol) {
      // A key just bound by the typing program: Xlib's cached keymap may lag; ask the server.
      int perCode = 0;
      KeySym* map = XGetKeyboardMapping(d, static_cast<KeyCode>(e.xkey.keycode), 1, &perCode);
      sym = map ? map[0] : NoSymbol;
      if (map) XFree(map);
    }
    char text[8] = "";
    xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(sym), text, sizeof text);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const char* name = XKeysymToString(sym);
    const bool printable = static_cast<unsigned char>(text[0]) >= 32;
    std::fprintf(log, "%s %s %lld\n", name ? name : "?", printable ? text : "-", static_cast<long long>(ms));
    std::fflush(log);
  }
}
