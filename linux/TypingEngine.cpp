#include "linux/TypingEngine.h"

#include <time.h>

#include <algorithm>
#include <cstdio>

#include "keysynth/SendKeysEmitter.h"

namespace tolvane::posix {
namespace {

// The modifier keys the user may hold; each changes the characters typed or fires shortcuts.
constexpr std::pair<std::uint8_t, const char*> kHeldKeys[] = {
    {vk::LShift, "Shift"}, {vk::RShift, "right Shift"}, {vk::LControl, "Ctrl"}, {vk::RControl, "right Ctrl"},
    {vk::LMenu, "Alt"},    {vk::RMenu, "AltGr"},        {vk::LWin, "Super"},    {vk::RWin, "right Super"}};
// How long the user is given to let go of them before a batch on a keyboard of its own.
constexpr std::int64_t kHeldKeysWait = 500000, kHeldKeysPoll = 10000;

// The keyboard as a keyboard of its own sees it: Caps Lock is shared, held keys are not.
struct LockOnly : SystemKeyState {
  explicit LockOnly(const SystemKeyState& s) : states(s) {}
  std::int16_t GetKeyState(std::uint8_t key) const override {
    return key == vk::Capital ? static_cast<std::int16_t>(states.GetKeyState(key) & 1) : 0;
  }
  const SystemKeyState& states;
};

class MonotonicClock : public TypingClock {
 public:
  std::int64_t Now() override {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
  }
  void SleepUntil(std::int64_t when) override {
    const timespec t{static_cast<time_t>(when / 1000000), static_cast<long>(when % 1000000) * 1000};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
    }
  }
};

}  // namespace

TypingClock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}

char16_t FromWindows1252(char c) {
  static const char16_t k80[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                   0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : b;
}

struct TypingEngine::Facility : tolvane::SendKeys {
  explicit Facility(TypingEngine& e) : engine(e) {}
  Delivery SendBatch(const std::vector<std::string>& texts, bool) override {
    Delivery d;
    // A keyboard of its own cannot release the user's keys: the user lets go of them first.
    const LockOnly lockOnly(engine.states);
    const bool separate = engine.out.SeparateKeys();
    if (separate && !engine.WaitForHeldKeys()) {
      d.delivered = false;
      return d;
    }
    SendKeysEmitter emitter(engine.layout, separate ? lockOnly : engine.states, FromWindows1252);
    for (const auto& text : texts) {
      const auto strokes = ParseSendKeys(text);
      if (strokes)
        emitter.Add(*strokes);
      else
        ++d.unreadable;
    }
    d.delivered = engine.Play(emitter.Finish());
    return d;
  }
  TypingEngine& engine;
};

// The console path's calls, on the same keys: Windows virtual keys by their position.
struct TypingEngine::Console : tolvane::Keyboard {
  explicit Console(TypingEngine& e) : engine(e) {}
  std::int16_t VkKeyScan(std::uint8_t c) override {
    return engine.layout.VkKeyScanEx(FromWindows1252(static_cast<char>(c)));
  }
  std::uint8_t MapVirtualKey(std::uint8_t key) override {
    return static_cast<std::uint8_t>(engine.layout.ScanCode(key));
  }
  KeyboardState GetKeyboardState() override {
    KeyboardState s = saved;
    s[vk::Capital] = static_cast<std::uint8_t>(engine.states.GetKeyState(vk::Capital) & 1);
    return s;
  }
  void SetKeyboardState(const KeyboardState& s) override { saved = s; }
  void KeybdEvent(std::uint8_t key, std::uint8_t, std::uint32_t flags) override {
    // A character's AltGr is the layout's third-level key: its Alt half presses it, the Ctrl
    // half is dropped.
    if (flags & kAltGr) {
      if (key != vk::Menu || !engine.layout.Level3Key()) return;
      engine.out.Key(engine.layout.Level3Key(), !(flags & kKeyUp));
      engine.out.Flush();
      return;
    }
    if (const xkb_keycode_t code = engine.layout.KeyCode(key)) {
      engine.out.Key(code, !(flags & kKeyUp));
      engine.out.Flush();
    }
  }
  TypingEngine& engine;
  KeyboardState saved{};
};

TypingEngine::TypingEngine(std::string n, const XkbLayout& l, const SystemKeyState& s, KeyOutput& o, TypingClock& c)
    : name(std::move(n)),
      layout(l),
      states(s),
      out(o),
      clock(c),
      facility_(std::make_unique<Facility>(*this)),
      console_(std::make_unique<Console>(*this)) {}

TypingEngine::~TypingEngine() = default;
tolvane::SendKeys& TypingEngine::sendKeys() { return *facility_; }
tolvane::Keyboard& TypingEngine::keyboard() { return *console_; }

const Composer& TypingEngine::composer() {
  if (!composer_) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_compose_table* table = context ? LocaleComposeTable(context) : nullptr;
    composer_ = std::make_unique<Composer>(layout, table);
    if (table) xkb_compose_table_unref(table);
    if (context) xkb_context_unref(context);
  }
  return *composer_;
}

bool TypingEngine::WaitForHeldKeys() {
  const std::int64_t until = clock.Now() + kHeldKeysWait;
  for (;;) {
    std::string held;
    for (const auto& [key, keyName] : kHeldKeys)
      if (states.GetKeyState(key) & 0x8000) held += std::string(held.empty() ? "" : " and ") + keyName;
    if (held.empty()) return true;
    const std::int64_t now = clock.Now();
    if (now >= until) {
      std::fprintf(stderr, "tolvane: not typed: %s held down for half a second (the %s typing cannot release it)\n",
                   held.c_str(), name.c_str());
      return false;
    }
    clock.SleepUntil(std::min(now + kHeldKeysPoll, until));
  }
}

namespace {

// One step of a planned batch: a key, or a character the output has bound.
struct Step {
  xkb_keycode_t code;
  bool down;
  char16_t ch;
};

std::string Describe(char16_t c) {
  char text[48];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "' (" + text + ")";
  return text;
}

}  // namespace

bool TypingEngine::Play(const std::vector<KeyInput>& batch) {
  std::vector<Step> steps;
  std::u16string bound;
  std::string why;
  bool capsLock = states.GetKeyState(vk::Capital) & 1;
  const auto key = [&](std::uint8_t vk, bool down) {
    const xkb_keycode_t code = layout.KeyCode(vk);
    if (code) steps.push_back({code, down, 0});
    return code != 0;
  };
  // One key with its modifiers, AltGr as the third-level key.
  const auto tap = [&](std::uint8_t vk, std::uint8_t modifiers) {
    const bool shift = modifiers & kModShift, altGr = modifiers & kModCtrl;
    if (shift) key(vk::Shift, true);
    if (altGr) steps.push_back({layout.Level3Key(), true, 0});
    key(vk, true);
    key(vk, false);
    if (altGr) steps.push_back({layout.Level3Key(), false, 0});
    if (shift) key(vk::Shift, false);
  };
  for (std::size_t i = 0; i < batch.size() && why.empty(); ++i) {
    const KeyInput& k = batch[i];
    if (k.unicode) {
      const auto c = static_cast<char16_t>(k.scan);
      if (k.up) continue;
      if (out.BindsCharacters()) {
        if (bound.find(c) == std::u16string::npos) bound += c;
        steps.push_back({0, true, c});
        continue;
      }
      const KeySequence keys = composer().Sequence(c, capsLock);
      if (keys.empty()) {
        why = "no key for " + Describe(c);
        break;
      }
      for (const auto& [vk, modifiers] : keys) tap(vk, modifiers);
      continue;
    }
    if (k.vk == vk::Capital && !k.up) capsLock = !capsLock;
    // The Ctrl and Alt a character's key needs are the layout's third-level key.
    if (k.altGr && i + 1 < batch.size() && batch[i + 1].altGr && batch[i + 1].up == k.up) {
      if (!layout.Level3Key()) {
        why = "no AltGr key";
        break;
      }
      steps.push_back({layout.Level3Key(), !k.up, 0});
      ++i;
      continue;
    }
    if (!key(k.vk, !k.up)) why = std::string("no key ") + (XkbKeyName(k.vk) ? XkbKeyName(k.vk) : "for it");
  }
  if (why.empty() && !bound.empty() && !out.Prepare(bound, why) && why.empty()) why = "no key for it";
  if (!why.empty()) {
    std::fprintf(stderr, "tolvane: not typed: the %s typing has %s\n", name.c_str(), why.c_str());
    return false;
  }
  // An output that binds characters may find, mid-batch, that it cannot bind one in time: the
  // rest is dropped and the keys still held are let go.
  std::vector<xkb_keycode_t> held;
  for (const Step& s : steps) {
    if (s.ch && !out.Character(s.ch)) {
      for (auto it = held.rbegin(); it != held.rend(); ++it) out.Key(*it, false);
      out.Flush();
      std::fprintf(stderr, "tolvane: typed in part: the %s typing could not bind %s in time\n", name.c_str(),
                   Describe(s.ch).c_str());
      return false;
    }
    if (s.ch) continue;
    out.Key(s.code, s.down);
    if (s.down)
      held.push_back(s.code);
    else
      held.erase(std::remove(held.begin(), held.end(), s.code), held.end());
  }
  out.Flush();
  return true;
}

}  // namespace tolvane::posix
