#include "keysynth/KeystrokeEmitter.h"

namespace tolvane {
namespace {

constexpr std::uint8_t kShift = 0x10, kControl = 0x11, kAlt = 0x12, kCapital = 0x14;
constexpr std::uint8_t kLeftControl = 0xA2;
constexpr std::array<std::uint8_t, 3> kModifierKeys{kShift, kControl, kAlt};
// Shift and Ctrl before Alt and Win: those two are released last, behind a mask.
constexpr std::array<std::uint8_t, 8> kUserModifiers{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x5B, 0x5C};

bool IsAltOrWin(std::uint8_t vk) { return vk == 0xA4 || vk == 0xA5 || vk == 0x5B || vk == 0x5C; }

// Keys that are always extended, for systems whose scan-code answer lacks the E0 prefix.
bool AlwaysExtended(std::uint8_t vk) {
  switch (vk) {
    case 0x03:  // Break
    case 0x21:
    case 0x22:
    case 0x23:
    case 0x24:  // PgUp PgDn End Home
    case 0x25:
    case 0x26:
    case 0x27:
    case 0x28:  // arrows
    case 0x2C:
    case 0x2D:
    case 0x2E:  // Print Screen, Ins, Del
    case 0x5B:
    case 0x5C:
    case 0x5D:  // Windows keys, Applications
    case 0x6F:
    case 0x90:  // keypad divide, Num Lock
    case 0xA3:
    case 0xA5:  // right Ctrl, right Alt
      return true;
    default: return false;
  }
}

}  // namespace

KeystrokeEmitter::KeystrokeEmitter(const KeyboardLayout& layout, const KeyStates& keys, FromAnsi fromAnsi)
    : layout_(layout), fromAnsi_(std::move(fromAnsi)), capsLock_((keys.GetKeyState(kCapital) & 1) != 0) {
  for (const std::uint8_t vk : kUserModifiers)
    if (keys.GetKeyState(vk) & 0x8000) userHeld_.push_back(vk);
}

void KeystrokeEmitter::Press(std::uint8_t vk, bool up) {
  const std::uint16_t scan = layout_.ScanCode(vk);
  KeyInput in;
  in.vk = vk;
  in.scan = scan & 0xFF;
  in.extended = (scan & 0xFF00) == 0xE000 || AlwaysExtended(vk);
  in.up = up;
  inputs_.push_back(in);
}

void KeystrokeEmitter::Tap(std::uint8_t vk) {
  Press(vk, false);
  Press(vk, true);
}

void KeystrokeEmitter::Unicode(char16_t c) {
  for (const bool up : {false, true}) {
    KeyInput in;
    in.scan = c;
    in.unicode = true;
    in.up = up;
    inputs_.push_back(in);
  }
}

// A key the user holds would change every character (Shift) or fire the target's shortcuts
// (Ctrl). Releasing Alt or Win alone would open a menu; a Ctrl tap in between prevents that.
void KeystrokeEmitter::Open() {
  if (opened_) return;
  opened_ = true;
  bool masked = false;
  for (const std::uint8_t vk : userHeld_) {
    if (IsAltOrWin(vk) && !masked) {
      Tap(kLeftControl);
      masked = true;
    }
    Press(vk, true);
  }
}

void KeystrokeEmitter::Modifier(std::uint8_t vk, bool down) {
  int& n = held_[static_cast<std::size_t>(vk - kShift)];
  if (down && n++ == 0) Press(vk, false);
  if (!down && n > 0 && --n == 0) Press(vk, true);
}

std::uint8_t KeystrokeEmitter::NotationHeld() const {
  std::uint8_t mask = 0;
  for (std::size_t i = 0; i < 3; ++i)
    if (held_[i] > 0) mask |= static_cast<std::uint8_t>(1 << i);
  return mask;
}

void KeystrokeEmitter::Char(char ansi) {
  const char16_t c = fromAnsi_(ansi);
  if (c == 0) return;
  const std::int16_t scan = layout_.VkKeyScanEx(c);
  if (scan == -1) return Unicode(c);
  const auto vk = static_cast<std::uint8_t>(scan & 0xFF);
  auto mods = static_cast<std::uint8_t>((scan >> 8) & 7);

  // A dead key would combine with whatever comes next; the text's own modifiers count too
  // (its Ctrl+Alt is AltGr).
  if (layout_.Translate(vk, mods | NotationHeld(), capsLock_).dead) return Unicode(c);
  if (!NotationHolds()) {
    // What the key really types with Caps Lock as it is: letters, and on some layouts the
    // digit row, are shifted by it; Swiss keys change character.
    const auto types = [&](std::uint8_t m) {
      const KeyResult r = layout_.Translate(vk, m, capsLock_);
      return !r.dead && r.ch == c;
    };
    if (!types(mods)) {
      if (!types(mods ^ kModShift)) return Unicode(c);  // a key Caps Lock ruins
      mods ^= kModShift;
    }
  }

  std::array<bool, 3> pressed{};
  for (std::size_t i = 0; i < 3; ++i) {
    if ((mods & (1 << i)) && held_[i] == 0) {
      Press(kModifierKeys[i], false);
      pressed[i] = true;
    }
  }
  Tap(vk);
  for (std::size_t i = 3; i-- > 0;)
    if (pressed[i]) Press(kModifierKeys[i], true);
}

void KeystrokeEmitter::Add(const std::vector<KeyStroke>& strokes) {
  if (strokes.empty()) return;
  Open();
  for (const auto& s : strokes) {
    switch (s.kind) {
      case KeyStroke::Char: Char(s.ch); break;
      case KeyStroke::Key: Tap(s.vk); break;
      case KeyStroke::Down: Modifier(s.vk, true); break;
      case KeyStroke::Up: Modifier(s.vk, false); break;
    }
  }
  // Each text's modifiers end with it.
  for (const std::uint8_t vk : kModifierKeys)
    while (held_[static_cast<std::size_t>(vk - kShift)] > 0) Modifier(vk, false);
}

std::vector<KeyInput> KeystrokeEmitter::Finish() {
  if (opened_)
    for (const std::uint8_t vk : userHeld_) Press(vk, false);
  opened_ = false;
  return std::move(inputs_);
}

}  // namespace tolvane
