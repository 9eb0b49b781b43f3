#include "keysynth/KeyEmitter.h"

namespace tolvane {
namespace {

constexpr std::uint8_t kCapsLock = 20;
constexpr std::uint8_t kCapsLockSwitchScan = 69;  // with the extended flag, not the key's own 58

bool IsModifier(std::int16_t code) { return code == 16 || code == 17 || code == 18; }

}  // namespace

void KeyEmitter::ResetKeyEvents() {
  events.CurKey = 0;
  events.KeyDown = false;
  events.ShiftOn = false;
  events.CtrlOn = false;
  events.AltOn = false;
  parser.QueueHead = 0;
}

std::optional<KeyEvent> KeyEmitter::NextKeyEvent() {
  if (events.CurKey != 0 && !IsModifier(events.CurKey) && events.KeyDown) {
    const auto code = static_cast<std::uint8_t>(events.CurKey);
    events.CurKey = 0;
    return KeyEvent{code, false};
  }
  if (parser.QueueHead == parser.QueueTail) return std::nullopt;
  events.CurKey = parser.KeyQueue[static_cast<std::size_t>(parser.QueueHead++)];
  bool down = true;
  switch (events.CurKey) {
    case 16: down = events.ShiftOn = !events.ShiftOn; break;
    case 17: down = events.CtrlOn = !events.CtrlOn; break;
    case 18: down = events.AltOn = !events.AltOn; break;
    default: events.KeyDown = true; break;
  }
  return KeyEvent{static_cast<std::uint8_t>(events.CurKey), down};
}

void KeyEmitter::ToggleCapsLock() {
  keyboard_.KeybdEvent(kCapsLock, kCapsLockSwitchScan, Keyboard::kExtendedKey);
  keyboard_.KeybdEvent(kCapsLock, kCapsLockSwitchScan, Keyboard::kExtendedKey | Keyboard::kKeyUp);
}

std::int16_t KeyEmitter::SimSendKeys(std::string_view keys) {
  parser.ParsePos = 0;
  parser.InitKeyNames();
  if (const auto r = parser.ParseKeys(keys); r != kParseOk) return r;

  ResetKeyEvents();
  const KeyState saved = keyboard_.GetKeyboardState();
  keyboard_.SetKeyboardState(KeyState{});
  const bool capsOn = saved[kCapsLock] != 0;
  if (capsOn) ToggleCapsLock();

  while (const auto e = NextKeyEvent())
    keyboard_.KeybdEvent(e->code, keyboard_.MapVirtualKey(e->code), e->down ? 0 : Keyboard::kKeyUp);

  keyboard_.SetKeyboardState(saved);
  if (capsOn) ToggleCapsLock();
  return kParseOk;
}

}  // namespace tolvane
