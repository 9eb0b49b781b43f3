#include "linux/TypingEngine.h"

#include <cstdio>

#include "keysynth/SendKeysEmitter.h"

namespace tolvane::posix {
namespace {}  // namespace

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
    SendKeysEmitter emitter(engine.layout, engine.states, FromWindows1252);
    for (const auto& text : texts) {
      const auto strokes = ParseSendKeys(text);
      if (strokes)
        emitter.Add(*strokes);
      else
        ++d.unreadable;
    }
    engine.Play(emitter.Finish());
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
    if (const xkb_keycode_t code = engine.layout.KeyCode(key)) {
      engine.out.Key(code, !(flags & kKeyUp));
      engine.out.Flush();
    }
  }
  TypingEngine& engine;
  KeyboardState saved{};
};

TypingEngine::TypingEngine(std::string n, const XkbLayout& l, const SystemKeyState& s, KeyOutput& o)
    : name(std::move(n)),
      layout(l),
      states(s),
      out(o),
      facility_(std::make_unique<Facility>(*this)),
      console_(std::make_unique<Console>(*this)) {}

TypingEngine::~TypingEngine() = default;
tolvane::SendKeys& TypingEngine::sendKeys() { return *facility_; }
tolvane::Keyboard& TypingEngine::keyboard() { return *console_; }

void TypingEngine::Play(const std::vector<KeyInput>& batch) {
  for (std::size_t i = 0; i < batch.size(); ++i) {
    const KeyInput& k = batch[i];
    if (k.unicode) {
      const auto c = static_cast<char16_t>(k.scan);
      if (k.up || out.Unicode(c)) continue;
      if (const std::int16_t dead = layout.DeadKeyFor(c); dead != -1 && !(dead & 0x600)) {
        const bool shift = dead & 0x100;
        if (shift) out.Key(layout.KeyCode(vk::Shift), true);
        out.Key(layout.KeyCode(static_cast<std::uint8_t>(dead)), true);
        out.Key(layout.KeyCode(static_cast<std::uint8_t>(dead)), false);
        if (shift) out.Key(layout.KeyCode(vk::Shift), false);
        out.Key(layout.KeyCode(vk::Space), true);
        out.Key(layout.KeyCode(vk::Space), false);
      } else {
        std::fprintf(stderr, "tolvane: the %s typing has no key for U+%04X; not typed\n", name.c_str(),
                     static_cast<unsigned>(c));
      }
      continue;
    }
    // Ctrl then Alt going down together, and Alt then Ctrl coming up, are AltGr.
    const bool pair = i + 1 < batch.size() && !batch[i + 1].unicode && batch[i + 1].up == k.up && !k.extended &&
                      !batch[i + 1].extended &&
                      ((!k.up && k.vk == vk::Control && batch[i + 1].vk == vk::Menu) ||
                       (k.up && k.vk == vk::Menu && batch[i + 1].vk == vk::Control));
    if (pair) {
      out.Key(layout.Level3Key(), !k.up);
      ++i;
      continue;
    }
    if (const xkb_keycode_t code = layout.KeyCode(k.vk)) out.Key(code, !k.up);
  }
  out.Flush();
}

}  // namespace tolvane::posix
