// What a Windows application receives from a batch of key events on a given layout: the
// characters (Caps Lock, AltGr and dead keys as Windows applies them), the keys that type
// nothing, and the faults a batch can leave behind.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "keysynth/KeyInput.h"
#include "tests/support/TableLayout.h"

namespace tolvane::test {

class TypingSimulator : public SystemKeyState {
 public:
  // With shiftLock, Shift turns Caps Lock off and the Caps Lock key only turns it on.
  TypingSimulator(const TableLayout& layout, bool capsLock, bool shiftLock = false)
      : layout_(layout), capsLock_(capsLock), shiftLock_(shiftLock) {}

  // The user holds this key down (a left or right modifier) before and after the batches.
  void Hold(std::uint8_t key) { down_[key] = userHeld_[key] = true; }

  // Plays one batch, then checks what it left: keys still down, Caps Lock changed, a dead key
  // still waiting. Batches may follow one another; the state carries over as on Windows.
  void Type(const std::vector<KeyInput>& batch);

  // The characters received, in order.
  const std::u16string& Text() const { return text_; }
  // The keys that typed nothing, with the modifiers held: "F9", "Ctrl+Home", "Alt+A".
  const std::vector<std::string>& Events() const { return events_; }
  // Character keys pressed under a left Ctrl and a left Alt, "Ctrl+Alt+Q": an application that
  // tells AltGr from Ctrl+Alt by the right Alt key takes them as its Ctrl+Alt shortcuts.
  const std::vector<std::string>& Shortcuts() const { return shortcuts_; }
  // Each fault as a sentence, in the order found.
  const std::vector<std::string>& Faults() const { return faults_; }
  // The keys down and Caps Lock as the system sees them between batches.
  std::int16_t GetKeyState(std::uint8_t key) const override {
    return static_cast<std::int16_t>((down_[key] ? 0x8000 : 0) | (key == vk::Capital && capsLock_));
  }
  bool ShiftTurnsCapsLockOff() const override { return shiftLock_; }

 private:
  void Unicode(const KeyInput& e);
  void Key(const KeyInput& e);
  void Press(std::uint8_t key);

  const TableLayout& layout_;
  bool capsLock_, shiftLock_;
  std::array<bool, 256> down_{}, userHeld_{};
  std::map<char16_t, int> unicodeDown_;
  char16_t waitingAccent_ = 0;
  std::u16string text_;
  std::vector<std::string> events_, shortcuts_, faults_;
};

}  // namespace tolvane::test
