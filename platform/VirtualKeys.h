// The key-code vocabulary: Windows virtual-key codes by name, the codes both typing paths,
// the key-name table and every keyboard layout speak. A letter or digit key's code is its
// upper-case character ('A', '7').
#pragma once

#include <cstdint>

namespace tolvane::vk {

// clang-format off
constexpr std::uint8_t
    Cancel = 0x03,  // Break
    Back = 0x08, Tab = 0x09, Clear = 0x0C, Return = 0x0D,
    Shift = 0x10, Control = 0x11, Menu = 0x12,  // Menu is Alt
    Pause = 0x13, Capital = 0x14,               // Capital is Caps Lock
    Escape = 0x1B, Space = 0x20,
    Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24,  // Prior/Next: Page Up/Down
    Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28,
    Snapshot = 0x2C, Insert = 0x2D, Delete = 0x2E, Help = 0x2F,  // Snapshot: Print Screen
    LWin = 0x5B, RWin = 0x5C, Apps = 0x5D,
    Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B, Separator = 0x6C, Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F,
    F1 = 0x70, F24 = 0x87,  // F1 + n is F(n + 1)
    NumLock = 0x90, Scroll = 0x91,
    LShift = 0xA0, RShift = 0xA1, LControl = 0xA2, RControl = 0xA3, LMenu = 0xA4, RMenu = 0xA5,
    Oem1 = 0xBA, OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE, Oem2 = 0xBF, Oem3 = 0xC0,
    AbntC1 = 0xC1, AbntC2 = 0xC2,  // keys no US keyboard has (Brazilian and Japanese /? and \|)
    Oem4 = 0xDB, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE, Oem8 = 0xDF, Oem102 = 0xE2,
    Packet = 0xE7;  // a Unicode character, not a key
// clang-format on

constexpr std::uint8_t FunctionKey(int n) { return static_cast<std::uint8_t>(F1 + n - 1); }  // F1 .. F24

// Keys that are sent with the extended flag (their scan codes carry the E0 prefix), for answers
// that lack the prefix.
// clang-format off
constexpr bool IsExtended(std::uint8_t key) {
  switch (key) {
    case Cancel: case Prior: case Next: case End: case Home: case Left: case Up: case Right: case Down:
    case Snapshot: case Insert: case Delete: case LWin: case RWin: case Apps: case Divide: case NumLock:
    case RControl: case RMenu:
      return true;
    default:
      return false;
  }
}
// clang-format on

}  // namespace tolvane::vk
