// The connection XTest typing lives on: the X server's keymap (every group of it) and keyboard
// state as they are when a batch starts, the focused window's word that it has read its keys
// (_NET_WM_PING), and the loss of the server, noticed instead of ending the program.
#pragma once

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "keysynth/KeyboardLayout.h"
#include "linux/XkbLayout.h"

typedef struct _XDisplay Display;  // Xlib's, without its macros

namespace tolvane::posix {

// Lets the program outlive the display: protocol errors (a window gone between two requests)
// are ignored, and losing the server sets *lost where Xlib would end the process; the display's
// calls then do nothing.
void SurviveLoss(Display* display, bool* lost);

class XSession : public SystemKeyState {
 public:
  using Window = unsigned long;
  using Clock = std::chrono::steady_clock;

  // Null, with the reason, when there is no display with XTest and XKB.
  static std::unique_ptr<XSession> Open(std::string& error);
  ~XSession() override;
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  Display* display() const { return display_; }
  int fd() const;
  bool lost() const { return lost_; }
  // Reads what the server has sent: keymap changes, answers to pings, windows gone.
  void Service();
  // Before a batch: the keyboard's state now, and the keymap as it is after every change the
  // server has told of. True when the keymap changed.
  bool Refresh();

  std::size_t groups() const { return layouts_.size(); }
  const XkbLayout& layout(std::size_t group) const { return *layouts_[group]; }
  unsigned group() const { return group_; }  // the group keys type in
  unsigned lockedGroup() const { return lockedGroup_; }
  bool capsLock() const;
  const std::vector<unsigned>& spareCodes() const { return spare_; }  // codes with no keysym at load
  // The keysym at a code's first level now; 0 for none.
  xkb_keysym_t Keysym(unsigned code) const;
  std::int16_t GetKeyState(std::uint8_t key) const override;  // as it was at the last Refresh

  // The focused window's top-level window if it answers _NET_WM_PING; 0 otherwise.
  Window PingTarget();
  unsigned long Ping(Window window);                    // what the answer will carry
  std::function<void(Window, unsigned long)> answered;  // a window answered a ping
  std::function<void(Window)> gone;                     // a window was destroyed
  // Reads what the server sends until done() holds; false at the deadline or when the server is lost.
  bool Await(const std::function<bool()>& done, Clock::time_point deadline);

 private:
  XSession(Display* display, int xkbEvent);
  bool Load();  // the keymap from the server

  Display* display_;
  int xkbEvent_;
  bool lost_ = false, reload_ = false;
  xkb_context* context_;
  xkb_keymap* keymap_ = nullptr;
  std::vector<std::unique_ptr<XkbLayout>> layouts_;
  std::vector<unsigned> spare_;
  unsigned group_ = 0, lockedGroup_ = 0, lockedMods_ = 0;
  std::array<char, 32> keys_{};  // the keys held, a bit each
  unsigned long wmProtocols_, netWmPing_;
  Window focus_ = 0, target_ = 0;  // the last focus asked about, and its window that answers pings
  unsigned long pings_ = 0;
};

}  // namespace tolvane::posix
