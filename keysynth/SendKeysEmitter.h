// Turns the strokes of the typing facility into one batch of key events for the focused
// window's layout: each character by the key and modifiers the layout gives it (AltGr as
// the right Alt key where that is AltGr, as Ctrl+Alt elsewhere), checked against what that
// key types with Caps Lock as it is, and as a Unicode event where no key types it intact (no
// key, a dead key that would combine with the next one, or a key needing a Shift that would
// turn Caps Lock off). Modifiers the user holds are released for the batch and pressed again
// after it; nothing is left down, and Caps Lock ends each text as it was.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "keysynth/KeyInput.h"
#include "keysynth/KeyboardLayout.h"
#include "keysynth/SendKeysNotation.h"
#include "platform/VirtualKeys.h"

namespace tolvane {

class SendKeysEmitter {
 public:
  // The character an ANSI byte stands for; 0 for none.
  using FromAnsi = std::function<char16_t(char)>;

  SendKeysEmitter(const KeyboardLayout& layout, const SystemKeyState& keys, FromAnsi fromAnsi);

  // One text's strokes, after those added before.
  void Add(const std::vector<KeyStroke>& strokes);
  // The batch, closed: the text's own modifiers up, the user's held ones down again.
  std::vector<KeyInput> Finish();

 private:
  void Open();
  void Char(char ansi);
  void Unicode(char16_t c);
  void Tap(std::uint8_t key);
  void Press(std::uint8_t key, bool up, bool altGr = false);
  void Modifier(std::uint8_t key, bool down);
  std::uint8_t NotationHeld() const;  // what "+", "^", "%" hold now, as kModShift | kModCtrl | kModAlt
  bool NotationHolds() const { return NotationHeld() != 0; }

  const KeyboardLayout& layout_;
  FromAnsi fromAnsi_;
  bool capsLock_;
  bool shiftLock_;                      // Shift turns Caps Lock off
  bool capsToRestore_ = false;          // the text's own Shift turned it off
  std::vector<std::uint8_t> userHeld_;  // left/right modifier keys physically down
  bool opened_ = false;
  std::array<int, 3> held_{};  // Shift, Ctrl, Alt held by "+", "^", "%"
  std::vector<KeyInput> inputs_;
};

}  // namespace tolvane
