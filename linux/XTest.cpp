#include "linux/XTest.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>

#include "linux/SpareCodes.h"
#include "linux/TypingEngine.h"
#include "linux/XSession.h"

namespace tolvane::posix {
namespace {

using Clock = XSession::Clock;
using Window = XSession::Window;
// How long windows have to say they have read their keys before the program gives up on them.
constexpr auto kAnswerWait = std::chrono::seconds(2);

// The keys of the active group; a character that group lacks, from another group that has it,
// locked for its keys alone; failing that, from a spare key code bound to it.
class XtestOutput : public KeyOutput {
 public:
  explicit XtestOutput(XSession& x) : x_(x), display_(x.display()) {
    x_.answered = [this](Window w, unsigned long ping) {
      spares_.Answered(w, ping);
      answers_[w] = std::max(answers_[w], ping);
    };
    x_.gone = [this](Window w) { spares_.Gone(w); };
    NewKeymap();
  }
  // The spare codes go back to empty, once the windows have read their keys or had the time to.
  ~XtestOutput() override {
    if (!x_.lost()) {
      Confirm(false, [this] { return spares_.Awaited().empty(); });
      KeySym none[2] = {NoSymbol, NoSymbol};
      for (const unsigned code : spares_.Bound()) XChangeKeyboardMapping(display_, static_cast<int>(code), 2, none, 1);
      XSync(display_, False);
    }
    x_.answered = nullptr;
    x_.gone = nullptr;
  }
  XtestOutput(const XtestOutput&) = delete;
  XtestOutput& operator=(const XtestOutput&) = delete;

  // A new keymap has its own empty codes; what was bound went with the old one.
  void NewKeymap() { spares_.Reset(x_.spareCodes()); }

  void Key(xkb_keycode_t code, bool down) override {
    Relock();
    XTestFakeKeyEvent(display_, code, down, CurrentTime);
    if (down && code == x_.layout(x_.group()).KeyCode(vk::Capital)) caps_ = !caps_;
  }
  bool BindsCharacters() const override { return true; }
  bool Prepare(const std::u16string& chars, std::string& why) override;
  bool Character(char16_t c) override;
  void Flush() override {
    Relock();
    for (const Window w : spares_.Unpinged()) spares_.Pinged(w, x_.Ping(w));
    XSync(display_, False);
  }

 private:
  // A character's key in a group other than the active one, and the modifier keys it takes there.
  struct FromGroup {
    unsigned group;
    xkb_keycode_t key, shift, level3;  // shift and level3 0 when not needed
  };
  std::optional<FromGroup> InOtherGroup(char16_t c) const;
  void Tap(xkb_keycode_t code) {
    XTestFakeKeyEvent(display_, code, True, CurrentTime);
    XTestFakeKeyEvent(display_, code, False, CurrentTime);
  }
  // Caps Lock back on, where it was turned off for keys of spare codes.
  void Relock() {
    if (!lockOff_) return;
    XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, LockMask);
    lockOff_ = false;
  }
  bool Confirm(bool probe, const std::function<bool()>& enough);

  XSession& x_;
  Display* display_;
  SpareCodes spares_;
  std::map<char16_t, FromGroup> fromGroups_;  // the batch's characters typed from other groups
  std::map<Window, unsigned long> answers_;   // the last ping each window answered
  Window target_ = 0;                         // where the batch goes, when it answers pings
  unsigned long probe_ = 0;                   // the last ping to it
  bool caps_ = false, lockOff_ = false;
};

std::optional<XtestOutput::FromGroup> XtestOutput::InOtherGroup(char16_t c) const {
  for (unsigned g = 0; g < x_.groups(); ++g) {
    const XkbLayout& layout = x_.layout(g);
    const std::int16_t scan = g == x_.group() ? -1 : layout.VkKeyScanEx(c);
    if (scan == -1) continue;
    const auto key = static_cast<std::uint8_t>(scan & 0xFF);
    auto mods = static_cast<std::uint8_t>(scan >> 8);
    // Caps Lock is left as it is: Shift goes with what the key gives under it.
    if (layout.Translate(key, mods, caps_).ch != c) mods ^= kModShift;
    const KeyResult r = layout.Translate(key, mods, caps_);
    if (r.ch != c || r.dead) continue;
    return FromGroup{g, layout.KeyCode(key), (mods & kModShift) ? layout.KeyCode(vk::Shift) : 0,
                     (mods & kModCtrl) ? layout.Level3Key() : 0};
  }
  return std::nullopt;
}

// Pings the windows whose keys of spare codes no ping follows yet (and, with probe, the batch's
// own window in any case), then reads their answers until enough() holds.
bool XtestOutput::Confirm(bool probe, const std::function<bool()>& enough) {
  bool pinged = false;
  for (const Window w : spares_.Unpinged()) {
    const unsigned long ping = x_.Ping(w);
    spares_.Pinged(w, ping);
    if (w == target_) {
      probe_ = ping;
      pinged = true;
    }
  }
  if (probe && target_ && !pinged) probe_ = x_.Ping(target_);
  return x_.Await(enough, Clock::now() + kAnswerWait);
}

bool XtestOutput::Prepare(const std::u16string& chars, std::string& why) {
  caps_ = x_.capsLock();
  fromGroups_.clear();
  std::u16string bind;
  for (const char16_t c : chars) {
    if (const auto from = InOtherGroup(c))
      fromGroups_.emplace(c, *from);
    else
      bind += c;
  }
  if (bind.empty()) return true;
  spares_.Begin(bind);
  target_ = x_.PingTarget();
  const auto fresh = static_cast<std::size_t>(
      std::count_if(bind.begin(), bind.end(), [this](char16_t c) { return spares_.Find(c) == 0; }));
  // More characters than codes: codes are bound again within the batch, each once the window has
  // read the keys before; a window that cannot say so cannot have that.
  const bool rebind = bind.size() > spares_.size();
  if (spares_.size() == 0) {
    why = "no spare key code for characters the keymap lacks";
    return false;
  }
  if (rebind && !target_) {
    why = std::to_string(bind.size()) + " characters the keymap lacks, more than its " +
          std::to_string(spares_.size()) + " spare key codes, for a window that cannot say when it has read keys";
    return false;
  }
  // With codes to bind again, the window must answer now, or the batch would stop halfway.
  if (rebind && !Confirm(true, [this] { return answers_[target_] >= probe_; })) {
    why = "characters the keymap lacks, for a window that does not answer";
    return false;
  }
  if (!rebind && fresh > spares_.Free() && !Confirm(false, [&] { return fresh <= spares_.Free(); })) {
    why = "spare key codes whose keys the windows have not read yet";
    return false;
  }
  return true;
}

bool XtestOutput::Character(char16_t c) {
  if (const auto it = fromGroups_.find(c); it != fromGroups_.end()) {
    const FromGroup& from = it->second;
    Relock();
    XkbLockGroup(display_, XkbUseCoreKbd, from.group);
    for (const xkb_keycode_t mod : {from.shift, from.level3})
      if (mod) XTestFakeKeyEvent(display_, mod, True, CurrentTime);
    Tap(from.key);
    for (const xkb_keycode_t mod : {from.level3, from.shift})
      if (mod) XTestFakeKeyEvent(display_, mod, False, CurrentTime);
    XkbLockGroup(display_, XkbUseCoreKbd, x_.lockedGroup());
    return true;
  }
  unsigned code = spares_.Find(c);
  if (!code) {
    code = spares_.Choose();
    if (!code && Confirm(false, [this] { return spares_.Choose() != 0; })) code = spares_.Choose();
    if (!code) return false;
    // The keysym on both levels: the core protocol takes a lone letter for its small and its
    // capital letter, which would turn É into é.
    const KeySym sym = xkb_utf32_to_keysym(c);
    KeySym both[2] = {sym, sym};
    XChangeKeyboardMapping(display_, static_cast<int>(code), 2, both, 1);
    spares_.Bind(code, c);
  }
  // Under Caps Lock clients would make é É: Lock is off for these keys alone.
  if (caps_ && !lockOff_) {
    XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, 0);
    lockOff_ = true;
  }
  Tap(code);
  spares_.Typed(code, target_);
  return true;
}

class XtestTyping : public Typing {
 public:
  explicit XtestTyping(std::unique_ptr<XSession> x) : display_(DisplayString(x->display())) { Attach(std::move(x)); }
  std::string Name() const override { return "xtest"; }
  tolvane::SendKeys& sendKeys() override { return facility_; }
  tolvane::Keyboard& keyboard() override { return console_; }
  int Connection() const override { return x_ ? x_->fd() : -1; }
  void Service() override {
    if (x_) x_->Service();
    Check();
  }
  bool Lost() const override { return !x_; }
  void Reconnect() override {
    std::string error;
    if (x_) return;
    if (auto x = XSession::Open(error)) {
      Attach(std::move(x));
      std::fprintf(stderr, "tolvane: the X server (%s) is back; typing with xtest\n", display_.c_str());
    }
  }

 private:
  void Attach(std::unique_ptr<XSession> x) {
    x_ = std::move(x);
    out_ = std::make_unique<XtestOutput>(*x_);
    engine_.reset();
  }
  // The keymap and group as they are now; false while the server is gone.
  bool Ready() {
    const bool changed = x_ && x_->Refresh();
    Check();
    if (!x_) return false;
    if (changed) out_->NewKeymap();
    if (changed || !engine_ || x_->group() != group_) {
      group_ = x_->group();
      engine_ = std::make_unique<TypingEngine>("xtest", x_->layout(group_), *x_, *out_);
    }
    return true;
  }
  // Whether the server went away: said once, and everything on the connection let go.
  void Check() {
    if (!x_ || !x_->lost()) return;
    std::fprintf(stderr,
                 "tolvane: lost the X server (%s): records are not typed until it is back; trying again every "
                 "second\n",
                 display_.c_str());
    engine_.reset();
    out_.reset();
    x_.reset();
  }

  struct Facility : tolvane::SendKeys {
    explicit Facility(XtestTyping& t) : typing(t) {}
    Delivery SendBatch(const std::vector<std::string>& texts, bool wait) override {
      Delivery d;
      if (!typing.Ready()) {
        std::fprintf(stderr, "tolvane: not typed: the X server (%s) is gone\n", typing.display_.c_str());
        d.delivered = false;
        return d;
      }
      d = typing.engine_->sendKeys().SendBatch(texts, wait);
      typing.Check();
      d.delivered = d.delivered && typing.x_;
      return d;
    }
    XtestTyping& typing;
  };
  struct Console : tolvane::Keyboard {
    explicit Console(XtestTyping& t) : typing(t) {}
    std::int16_t VkKeyScan(std::uint8_t c) override {
      return typing.engine_ ? typing.engine_->keyboard().VkKeyScan(c) : -1;
    }
    std::uint8_t MapVirtualKey(std::uint8_t key) override {
      return typing.engine_ ? typing.engine_->keyboard().MapVirtualKey(key) : 0;
    }
    KeyboardState GetKeyboardState() override {  // the start of a console text
      return typing.Ready() ? typing.engine_->keyboard().GetKeyboardState() : KeyboardState{};
    }
    void SetKeyboardState(const KeyboardState& s) override {
      if (typing.engine_) typing.engine_->keyboard().SetKeyboardState(s);
    }
    void KeybdEvent(std::uint8_t key, std::uint8_t scan, std::uint32_t flags) override {
      if (typing.engine_) typing.engine_->keyboard().KeybdEvent(key, scan, flags);
      typing.Check();
    }
    XtestTyping& typing;
  };

  std::string display_;
  std::unique_ptr<XSession> x_;
  std::unique_ptr<XtestOutput> out_;
  std::unique_ptr<TypingEngine> engine_;
  unsigned group_ = 0;
  Facility facility_{*this};
  Console console_{*this};
};

}  // namespace

std::unique_ptr<Typing> OpenXtestTyping(std::string& error) {
  auto x = XSession::Open(error);
  return x ? std::make_unique<XtestTyping>(std::move(x)) : nullptr;
}

}  // namespace tolvane::posix
