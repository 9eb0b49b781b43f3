#include "keysynth/ConsoleKeyEmitter.h"

namespace tolvane {
namespace {

constexpr std::uint8_t kCapsLockSwitchScan = 69;  // with the extended flag, not the key's own 58

}  // namespace

void ConsoleKeyEmitter::ResetKeyEvents() {
  events.CurKey = 0;
  events.KeyDown = false;
  events.ShiftOn = false;
  events.CtrlOn = false;
  events.AltOn = false;
  parser.Rewind();
}

std::optional<KeyEvent> ConsoleKeyEmitter::NextKeyEvent() {
  if (events.CurKey != 0 && !IsModifierToggle(events.CurKey) && events.KeyDown) {
    const auto code = static_cast<std::uint8_t>(events.CurKey);
    events.CurKey = 0;
    return KeyEvent{code, false};
  }
  const auto next = parser.Next();
  if (!next) return std::nullopt;
  events.CurKey = *next;
  bool down = true;
  switch (events.CurKey & 0xFF) {
    case vk::Shift: down = events.ShiftOn = !events.ShiftOn; break;
    case vk::Control: down = events.CtrlOn = !events.CtrlOn; break;
    case vk::Menu: down = events.AltOn = !events.AltOn; break;
    default: events.KeyDown = true; break;
  }
  return KeyEvent{static_cast<std::uint8_t>(events.CurKey), down, (events.CurKey & kAltGrMark) != 0};
}

void ConsoleKeyEmitter::ToggleCapsLock() {
  keyboard_.KeybdEvent(vk::Capital, kCapsLockSwitchScan, Keyboard::kExtendedKey);
  keyboard_.KeybdEvent(vk::Capital, kCapsLockSwitchScan, Keyboard::kExtendedKey | Keyboard::kKeyUp);
}

std::int16_t ConsoleKeyEmitter::SimSendKeys(std::string_view keys) {
  parser.ParsePos = 0;
  if (const auto r = parser.ParseKeys(keys); r != kParseOk) return r;

  ResetKeyEvents();
  const KeyboardState saved = keyboard_.GetKeyboardState();
  keyboard_.SetKeyboardState(KeyboardState{});
  const bool capsOn = saved[vk::Capital] != 0;
  if (capsOn && keyboard_.ShiftTurnsCapsLockOff()) {
    keyboard_.KeybdEvent(vk::Shift, keyboard_.MapVirtualKey(vk::Shift), 0);
    keyboard_.KeybdEvent(vk::Shift, keyboard_.MapVirtualKey(vk::Shift), Keyboard::kKeyUp);
  } else if (capsOn) {
    ToggleCapsLock();
  }

  const bool rightAlt = keyboard_.RightAltIsAltGr();
  while (const auto e = NextKeyEvent()) {
    std::uint8_t code = e->code;
    std::uint32_t flags = (e->down ? 0 : Keyboard::kKeyUp) | (e->altGr ? Keyboard::kAltGr : 0);
    // A character's AltGr is the right Alt key alone where that is AltGr.
    if (e->altGr && rightAlt) {
      if (code == vk::Control) continue;
      code = vk::RMenu;
      flags = (flags & Keyboard::kKeyUp) | Keyboard::kExtendedKey;
    }
    keyboard_.KeybdEvent(code, keyboard_.MapVirtualKey(code), flags);
  }

  keyboard_.SetKeyboardState(saved);
  if (capsOn) ToggleCapsLock();
  return kParseOk;
}

}  // namespace tolvane
