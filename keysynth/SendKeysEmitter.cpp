#include "keysynth/SendKeysEmitter.h"

namespace tolvane {
namespace {

constexpr std::array<std::uint8_t, 3> kModifierKeys{vk::Shift, vk::Control, vk::Menu};
// Shift and Ctrl before Alt and Win: those two are released last, behind a mask.
constexpr std::array<std::uint8_t, 8> kUserModifiers{vk::LShift, vk::RShift, vk::LControl, vk::RControl,
                                                     vk::LMenu,  vk::RMenu,  vk::LWin,     vk::RWin};

bool IsAltOrWin(std::uint8_t key) { return key == vk::LMenu || key == vk::RMenu || key == vk::LWin || key == vk::RWin; }

}  // namespace

SendKeysEmitter::SendKeysEmitter(const KeyboardLayout& layout, const SystemKeyState& keys, FromAnsi fromAnsi)
    : layout_(layout),
      fromAnsi_(std::move(fromAnsi)),
      capsLock_((keys.GetKeyState(vk::Capital) & 1) != 0),
      shiftLock_(keys.ShiftTurnsCapsLockOff()) {
  for (const std::uint8_t key : kUserModifiers)
    if (keys.GetKeyState(key) & 0x8000) userHeld_.push_back(key);
}

void SendKeysEmitter::Press(std::uint8_t key, bool up, bool altGr) {
  const std::uint16_t scan = layout_.ScanCode(key);
  KeyInput in;
  in.vk = key;
  in.scan = scan & 0xFF;
  in.extended = (scan & 0xFF00) == 0xE000 || vk::IsExtended(key);
  in.up = up;
  in.altGr = altGr;
  inputs_.push_back(in);
}

void SendKeysEmitter::Tap(std::uint8_t key) {
  Press(key, false);
  Press(key, true);
}

void SendKeysEmitter::Unicode(char16_t c) {
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
void SendKeysEmitter::Open() {
  if (opened_) return;
  opened_ = true;
  bool masked = false;
  for (const std::uint8_t key : userHeld_) {
    if (IsAltOrWin(key) && !masked) {
      Tap(vk::LControl);
      masked = true;
    }
    Press(key, true);
  }
}

void SendKeysEmitter::Modifier(std::uint8_t key, bool down) {
  int& n = held_[static_cast<std::size_t>(key - vk::Shift)];
  if (down && n++ == 0) {
    Press(key, false);
    // The text's own Shift turns Caps Lock off there; it is turned on again when the text ends.
    if (key == vk::Shift && shiftLock_ && capsLock_) capsLock_ = false, capsToRestore_ = true;
  }
  if (!down && n > 0 && --n == 0) Press(key, true);
}

std::uint8_t SendKeysEmitter::NotationHeld() const {
  std::uint8_t mask = 0;
  for (std::size_t i = 0; i < 3; ++i)
    if (held_[i] > 0) mask |= static_cast<std::uint8_t>(1 << i);
  return mask;
}

void SendKeysEmitter::Char(char ansi) {
  const char16_t c = fromAnsi_(ansi);
  if (c == 0) return;
  const std::int16_t scan = layout_.VkKeyScanEx(c);
  if (scan == -1) return Unicode(c);
  const auto key = static_cast<std::uint8_t>(scan & 0xFF);
  auto mods = static_cast<std::uint8_t>((scan >> 8) & 7);

  // A dead key would combine with whatever comes next; the text's own modifiers count too
  // (its Ctrl+Alt is AltGr).
  if (layout_.Translate(key, mods | NotationHeld(), capsLock_).dead) return Unicode(c);
  if (!NotationHolds()) {
    // What the key really types with Caps Lock as it is: letters, and on some layouts the
    // digit row, are shifted by it; Swiss keys change character.
    const auto types = [&](std::uint8_t m) {
      const KeyResult r = layout_.Translate(key, m, capsLock_);
      return !r.dead && r.ch == c;
    };
    if (!types(mods)) {
      if (!types(mods ^ kModShift)) return Unicode(c);  // a key Caps Lock ruins
      mods ^= kModShift;
    }
  }

  // A Shift of ours would turn Caps Lock off for the rest of the record.
  if ((mods & kModShift) && held_[0] == 0 && shiftLock_ && capsLock_) return Unicode(c);

  const bool altGr = (mods & (kModCtrl | kModAlt)) == (kModCtrl | kModAlt);
  // The right Alt key alone, where it is AltGr and the text holds neither Ctrl nor Alt itself.
  const bool rightAlt = altGr && held_[1] == 0 && held_[2] == 0 && layout_.RightAltIsAltGr();
  if (rightAlt) mods &= static_cast<std::uint8_t>(~(kModCtrl | kModAlt));
  std::array<bool, 3> pressed{};
  for (std::size_t i = 0; i < 3; ++i) {
    if ((mods & (1 << i)) && held_[i] == 0) {
      Press(kModifierKeys[i], false, altGr && i > 0);
      pressed[i] = true;
    }
  }
  if (rightAlt) Press(vk::RMenu, false);
  Tap(key);
  if (rightAlt) Press(vk::RMenu, true);
  for (std::size_t i = 3; i-- > 0;)
    if (pressed[i]) Press(kModifierKeys[i], true, altGr && i > 0);
}

void SendKeysEmitter::Add(const std::vector<KeyStroke>& strokes) {
  if (strokes.empty()) return;
  Open();
  for (const auto& s : strokes) {
    switch (s.kind) {
      case KeyStroke::Char: Char(s.ch); break;
      case KeyStroke::Key:
        Tap(s.vk);
        // The keys after it are chosen for the Caps Lock it leaves.
        if (s.vk == vk::Capital) {
          capsLock_ = shiftLock_ || !capsLock_;
          capsToRestore_ = capsToRestore_ && !capsLock_;
        }
        break;
      case KeyStroke::Down: Modifier(s.vk, true); break;
      case KeyStroke::Up: Modifier(s.vk, false); break;
    }
  }
  // Each text's modifiers end with it.
  for (const std::uint8_t key : kModifierKeys)
    while (held_[static_cast<std::size_t>(key - vk::Shift)] > 0) Modifier(key, false);
  if (capsToRestore_) {
    Tap(vk::Capital);
    capsLock_ = true;
    capsToRestore_ = false;
  }
}

std::vector<KeyInput> SendKeysEmitter::Finish() {
  if (opened_)
    for (const std::uint8_t key : userHeld_) Press(key, false);
  opened_ = false;
  return std::move(inputs_);
}

}  // namespace tolvane
