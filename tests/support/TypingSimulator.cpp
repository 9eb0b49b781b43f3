#include "tests/support/TypingSimulator.h"

#include <cstdio>
#include <string>

namespace tolvane::test {
namespace {

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%0*X", digits, value);
  return buffer;
}

std::string Utf8(char16_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

bool IsModifier(std::uint8_t key) {
  return key == vk::LShift || key == vk::RShift || key == vk::LControl || key == vk::RControl || key == vk::LMenu ||
         key == vk::RMenu;
}

// Windows tells the left and right Shift, Ctrl and Alt keys apart by scan code and the
// extended flag when it is handed the generic key.
std::uint8_t PhysicalKey(const KeyInput& e) {
  switch (e.vk) {
    case vk::Shift: return e.scan == 0x36 ? vk::RShift : vk::LShift;
    case vk::Control: return e.extended ? vk::RControl : vk::LControl;
    case vk::Menu: return e.extended ? vk::RMenu : vk::LMenu;
    default: return e.vk;
  }
}

}  // namespace

void TypingSimulator::Type(const std::vector<KeyInput>& batch) {
  const bool capsAtStart = capsLock_;
  for (const KeyInput& e : batch) {
    if (e.unicode) {
      Unicode(e);
    } else {
      Key(e);
    }
  }
  for (int key = 0; key < 256; ++key) {
    const auto k = static_cast<std::size_t>(key);
    if (down_[k] && !userHeld_[k]) {
      faults_.push_back(KeyName(static_cast<std::uint8_t>(key)) + " left down at the end of the batch");
    }
    if (!down_[k] && userHeld_[k]) {
      faults_.push_back(KeyName(static_cast<std::uint8_t>(key)) + " the user holds is up at the end of the batch");
    }
  }
  for (const auto& [unit, count] : unicodeDown_) {
    if (count > 0) faults_.push_back("Unicode " + Hex(unit, 4) + " left down at the end of the batch");
  }
  if (capsLock_ != capsAtStart) {
    faults_.push_back(std::string("Caps Lock ") + (capsLock_ ? "on" : "off") + " at the end of the batch, " +
                      (capsAtStart ? "on" : "off") + " at its start");
  }
  if (waitingAccent_ != 0) faults_.push_back("dead key " + Utf8(waitingAccent_) + " still waiting at the end of the batch");
}

void TypingSimulator::Unicode(const KeyInput& e) {
  const char16_t unit = static_cast<char16_t>(e.scan);
  if (e.up) {
    if (unicodeDown_[unit] == 0) {
      faults_.push_back("Unicode " + Hex(unit, 4) + " released without a press");
    } else {
      --unicodeDown_[unit];
    }
    return;
  }
  ++unicodeDown_[unit];
  if (waitingAccent_ != 0) {
    // A Unicode event does not pass through the layout, so nothing combines with the accent.
    faults_.push_back("Unicode " + Hex(unit, 4) + " typed while dead key " + Utf8(waitingAccent_) + " waits");
    Append(waitingAccent_);
    waitingAccent_ = 0;
  }
  Append(unit);
}

void TypingSimulator::Key(const KeyInput& e) {
  if (e.vk == 0) {
    faults_.push_back("key event without a virtual key");
    return;
  }
  const std::uint8_t key = PhysicalKey(e);
  const std::uint16_t scan = layout_.ScanCode(key);
  if (scan == 0) {
    faults_.push_back(KeyName(key) + " is not a key of the " + std::string(layout_.table().name) + " layout");
  } else if (e.scan != (scan & 0xFF) || e.extended != (scan > 0xFF)) {
    faults_.push_back(KeyName(key) + " sent with scan " + Hex(e.scan, 2) + (e.extended ? " extended" : "") +
                      ", the layout has " + Hex(scan, scan > 0xFF ? 4 : 2));
  }
  if (e.up) {
    if (!down_[key]) faults_.push_back(KeyName(key) + " released without a press");
    down_[key] = false;
    return;
  }
  if (down_[key]) faults_.push_back(KeyName(key) + " pressed again while down");
  down_[key] = true;
  Press(key);
}

void TypingSimulator::Press(std::uint8_t key) {
  if (key == vk::Capital) {
    capsLock_ = !capsLock_;
    return;
  }
  if (IsModifier(key)) return;
  const bool shift = IsDown(vk::LShift) || IsDown(vk::RShift);
  const bool alt = IsDown(vk::LMenu) || IsDown(vk::RMenu);
  // On an AltGr layout Windows adds a Ctrl press to the right Alt key.
  const bool ctrl = IsDown(vk::LControl) || IsDown(vk::RControl) || (layout_.table().altGr && IsDown(vk::RMenu));
  const std::string held = std::string(ctrl ? "Ctrl+" : "") + (alt ? "Alt+" : "") + (shift ? "Shift+" : "");
  if (alt && !ctrl) {
    // The application gets a system key, not a character.
    NothingTyped(held + KeyName(key));
    return;
  }
  const auto modifiers = static_cast<std::uint8_t>((shift ? kModShift : 0) | (ctrl ? kModCtrl : 0) | (alt ? kModAlt : 0));
  const KeyResult r = layout_.Translate(key, modifiers, capsLock_);
  if (r.ch == 0) {
    NothingTyped(held + KeyName(key));
    return;
  }
  if (waitingAccent_ == 0) {
    if (r.dead) {
      waitingAccent_ = r.ch;
    } else {
      Append(r.ch);
    }
    return;
  }
  // A waiting accent combines with the next character, or both are typed as they are.
  const char16_t combined = layout_.Combine(waitingAccent_, r.ch);
  if (combined != 0) {
    Append(combined);
  } else {
    Append(waitingAccent_);
    Append(r.ch);
  }
  waitingAccent_ = 0;
}

void TypingSimulator::Append(char16_t c) {
  text_ += c;
  transcript_ += c;
}

void TypingSimulator::NothingTyped(const std::string& name) {
  events_.push_back(name);
  transcript_ += u'<';
  for (char c : name) transcript_ += static_cast<char16_t>(c);
  transcript_ += u'>';
}

}  // namespace tolvane::test
