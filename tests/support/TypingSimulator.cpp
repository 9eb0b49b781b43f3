#include "tests/support/TypingSimulator.h"

#include <cstdio>

namespace tolvane::test {
namespace {

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
  return buffer;
}

}  // namespace

void TypingSimulator::Type(const std::vector<KeyInput>& batch) {
  const bool capsAtStart = capsLock_;
  for (const KeyInput& e : batch) e.unicode ? Unicode(e) : Key(e);
  for (std::size_t key = 0; key < down_.size(); ++key) {
    if (down_[key] == userHeld_[key]) continue;
    faults_.push_back(KeyName(static_cast<std::uint8_t>(key)) + (down_[key] ? " left down" : " the user holds is up") +
                      " at the end of the batch");
  }
  for (const auto& [unit, count] : unicodeDown_)
    if (count > 0) faults_.push_back("Unicode " + Hex(unit, 4) + " left down at the end");
  if (capsLock_ != capsAtStart) faults_.push_back(std::string("Caps Lock turned ") + (capsLock_ ? "on" : "off"));
  if (waitingAccent_ != 0) faults_.push_back("dead key " + Hex(waitingAccent_, 4) + " still waiting at the end");
}

void TypingSimulator::Unicode(const KeyInput& e) {
  const auto unit = static_cast<char16_t>(e.scan);
  int& down = unicodeDown_[unit];
  if (e.up && down == 0) faults_.push_back("Unicode " + Hex(unit, 4) + " released without a press");
  down = e.up ? std::max(down - 1, 0) : down + 1;
  if (e.up) return;
  if (waitingAccent_ != 0) {
    // A Unicode event does not pass through the layout, so nothing combines with the accent.
    faults_.push_back("Unicode " + Hex(unit, 4) + " typed while dead key " + Hex(waitingAccent_, 4) + " waits");
    text_ += waitingAccent_;
    waitingAccent_ = 0;
  }
  text_ += unit;
}

void TypingSimulator::Key(const KeyInput& e) {
  // Windows tells the left and right Shift, Ctrl and Alt keys apart by scan code and the
  // extended flag when it is handed the generic key.
  std::uint8_t key = e.vk;
  if (key == vk::Shift) key = e.scan == 0x36 ? vk::RShift : vk::LShift;
  if (key == vk::Control || key == vk::Menu)
    key = static_cast<std::uint8_t>(vk::LControl + 2 * (key - vk::Control) + e.extended);
  const std::uint16_t scan = layout_.ScanCode(key);
  // Help has no scan code on any layout; Windows takes it as its virtual key alone.
  if (scan == 0 && key != vk::Help) {
    faults_.push_back(KeyName(key) + " is not a key of the " + std::string(layout_.table().name) + " layout");
  } else if (e.scan != (scan & 0xFF) || e.extended != (scan > 0xFF)) {
    faults_.push_back(KeyName(key) + " sent with scan " + Hex(e.scan, 2) + (e.extended ? " extended" : "") +
                      ", the layout has " + Hex(scan, scan > 0xFF ? 4 : 2));
  }
  if (e.up && !down_[key]) faults_.push_back(KeyName(key) + " released without a press");
  if (!e.up && down_[key]) faults_.push_back(KeyName(key) + " pressed again while down");
  down_[key] = !e.up;
  if (!e.up) Press(key);
}

void TypingSimulator::Press(std::uint8_t key) {
  if (key == vk::Capital) capsLock_ = shiftLock_ || !capsLock_;
  if (shiftLock_ && (key == vk::LShift || key == vk::RShift)) capsLock_ = false;
  if (key == vk::Capital || (key >= vk::LShift && key <= vk::RMenu)) return;
  const bool shift = down_[vk::LShift] || down_[vk::RShift];
  const bool alt = down_[vk::LMenu] || down_[vk::RMenu];
  // On an AltGr layout Windows adds a Ctrl press to the right Alt key.
  const bool ctrl = down_[vk::LControl] || down_[vk::RControl] || (layout_.table().altGr && down_[vk::RMenu]);
  const auto modifiers = static_cast<std::uint8_t>(shift | ctrl << 1 | alt << 2);
  if (down_[vk::LControl] && down_[vk::LMenu] && !down_[vk::RMenu]) shortcuts_.push_back("Ctrl+Alt+" + KeyName(key));
  // With Alt alone the application gets a system key, not a character.
  const KeyResult r = alt && !ctrl ? KeyResult{} : layout_.Translate(key, modifiers, capsLock_);
  if (r.ch == 0) {
    events_.push_back(std::string(ctrl ? "Ctrl+" : "") + (alt ? "Alt+" : "") + (shift ? "Shift+" : "") + KeyName(key));
  } else if (waitingAccent_ == 0 && r.dead) {
    waitingAccent_ = r.ch;
  } else {
    // A waiting accent combines with the next character, or both are typed as they are.
    const char16_t combined = waitingAccent_ != 0 ? layout_.Combine(waitingAccent_, r.ch) : 0;
    if (combined == 0 && waitingAccent_ != 0) text_ += waitingAccent_;
    text_ += combined != 0 ? combined : r.ch;
    waitingAccent_ = 0;
  }
}

}  // namespace tolvane::test
