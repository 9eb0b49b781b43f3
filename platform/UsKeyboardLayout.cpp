#include "platform/UsKeyboardLayout.h"

#include <cstring>

namespace tolvane {
namespace {

constexpr std::int16_t kShift = 0x100;
constexpr std::int16_t kCtrl = 0x200;

// Punctuation keys: unshifted character, shifted character, virtual-key code.
const struct {
  char plain, shifted;
  std::uint8_t vk;
} kPunctuation[] = {
    {';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD}, {'.', '>', 0xBE}, {'/', '?', 0xBF},
    {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
};

const char kShiftedDigits[] = ")!@#$%^&*(";  // over 0 .. 9

}  // namespace

std::int16_t UsVkKeyScan(std::uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<std::int16_t>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<std::int16_t>(kShift | c);
  if (c >= '0' && c <= '9') return c;
  if (c == ' ') return 0x20;
  if (c != 0) {
    if (const char* p = std::strchr(kShiftedDigits, c)) return static_cast<std::int16_t>(kShift | ('0' + (p - kShiftedDigits)));
  }
  for (const auto& k : kPunctuation) {
    if (c == static_cast<std::uint8_t>(k.plain)) return k.vk;
    if (c == static_cast<std::uint8_t>(k.shifted)) return static_cast<std::int16_t>(kShift | k.vk);
  }
  switch (c) {
    case 0x03: return 0x03;                  // Ctrl+Break
    case 0x08: return 0x08;                  // Backspace
    case 0x09: return 0x09;                  // Tab
    case 0x0A: return kCtrl | 0x0D;          // Ctrl+Enter
    case 0x0D: return 0x0D;                  // Enter
    case 0x1B: return 0x1B;                  // Escape
    case 0x1C: return kCtrl | 0xDC;          // Ctrl+backslash
    case 0x1D: return kCtrl | 0xDD;          // Ctrl+]
    case 0x1E: return kCtrl | kShift | '6';  // Ctrl+^
    case 0x1F: return kCtrl | kShift | 0xBD; // Ctrl+_
    case 0x7F: return kCtrl | 0x08;          // Ctrl+Backspace
    default: break;
  }
  if (c >= 0x01 && c <= 0x1A) return static_cast<std::int16_t>(kCtrl | ('A' + c - 1));
  return -1;  // no key on this layout (accented letters, symbols of the upper half)
}

std::uint8_t UsScanCode(std::uint8_t vk) {
  static const char kTopRow[] = "QWERTYUIOP";
  static const char kHomeRow[] = "ASDFGHJKL";
  static const char kBottomRow[] = "ZXCVBNM";
  if (vk >= '1' && vk <= '9') return static_cast<std::uint8_t>(0x02 + vk - '1');
  if (vk == '0') return 0x0B;
  if (vk >= 'A' && vk <= 'Z') {
    if (const char* p = std::strchr(kTopRow, vk)) return static_cast<std::uint8_t>(0x10 + (p - kTopRow));
    if (const char* p = std::strchr(kHomeRow, vk)) return static_cast<std::uint8_t>(0x1E + (p - kHomeRow));
    if (const char* p = std::strchr(kBottomRow, vk)) return static_cast<std::uint8_t>(0x2C + (p - kBottomRow));
  }
  if (vk >= 0x70 && vk <= 0x79) return static_cast<std::uint8_t>(0x3B + vk - 0x70);  // F1..F10
  if (vk >= 0x7C && vk <= 0x83) return static_cast<std::uint8_t>(0x64 + vk - 0x7C);  // F13..F20
  switch (vk) {
    case 0x03: return 0x46;  // Cancel (Ctrl+Break)
    case 0x08: return 0x0E;  // Backspace
    case 0x09: return 0x0F;  // Tab
    case 0x0C: return 0x4C;  // Clear (keypad 5)
    case 0x0D: return 0x1C;  // Enter
    case 0x10: return 0x2A;  // Shift
    case 0x11: return 0x1D;  // Ctrl
    case 0x12: return 0x38;  // Alt
    case 0x13: return 0x45;  // Pause
    case 0x14: return 0x3A;  // Caps Lock
    case 0x1B: return 0x01;  // Escape
    case 0x20: return 0x39;  // Space
    case 0x21: return 0x49;  // Page Up
    case 0x22: return 0x51;  // Page Down
    case 0x23: return 0x4F;  // End
    case 0x24: return 0x47;  // Home
    case 0x25: return 0x4B;  // Left
    case 0x26: return 0x48;  // Up
    case 0x27: return 0x4D;  // Right
    case 0x28: return 0x50;  // Down
    case 0x2C: return 0x54;  // Print Screen
    case 0x2D: return 0x52;  // Insert
    case 0x2E: return 0x53;  // Delete
    case 0x7A: return 0x57;  // F11
    case 0x7B: return 0x58;  // F12
    case 0x90: return 0x45;  // Num Lock
    case 0x91: return 0x46;  // Scroll Lock
    case 0xBA: return 0x27;
    case 0xBB: return 0x0D;
    case 0xBC: return 0x33;
    case 0xBD: return 0x0C;
    case 0xBE: return 0x34;
    case 0xBF: return 0x35;
    case 0xC0: return 0x29;
    case 0xDB: return 0x1A;
    case 0xDC: return 0x2B;
    case 0xDD: return 0x1B;
    case 0xDE: return 0x28;
    default: return 0;
  }
}

}  // namespace tolvane
