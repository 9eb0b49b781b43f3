// Five Windows keyboard layouts as Windows itself holds them (kbdus, kbduk, kbdgr, kbdfr,
// kbdsg): character tables in the order VkKeyScanEx searches them, Caps Lock attributes,
// dead keys and their combinations, and the scan code of every key the typing engine uses.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane::test {

namespace vk {
constexpr std::uint8_t Cancel = 0x03, Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
                       Menu = 0x12, Capital = 0x14, Escape = 0x1B, Space = 0x20, Prior = 0x21, Next = 0x22,
                       End = 0x23, Home = 0x24, Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28, Insert = 0x2D,
                       Delete = 0x2E, LWin = 0x5B, RWin = 0x5C, Numpad0 = 0x60, Multiply = 0x6A, Add = 0x6B,
                       Subtract = 0x6D, Decimal = 0x6E, Divide = 0x6F, F1 = 0x70, F16 = 0x7F, LShift = 0xA0,
                       RShift = 0xA1, LControl = 0xA2, RControl = 0xA3, LMenu = 0xA4, RMenu = 0xA5, Oem1 = 0xBA,
                       OemPlus = 0xBB, OemComma = 0xBC, OemMinus = 0xBD, OemPeriod = 0xBE, Oem2 = 0xBF,
                       Oem3 = 0xC0, Oem4 = 0xDB, Oem5 = 0xDC, Oem6 = 0xDD, Oem7 = 0xDE, Oem8 = 0xDF,
                       Oem102 = 0xE2;
}  // namespace vk

// Key attributes, as kbd.h names them.
enum : std::uint8_t {
  kCapLok = 1,       // Caps Lock acts as Shift when neither Ctrl nor Alt is down
  kSgCaps = 2,       // Caps Lock selects the row's own Caps characters
  kCapLokAltGr = 4,  // Caps Lock acts as Shift with AltGr too
};

// One key of a character table. chars holds one character per modification number of the
// layout, u'\0' where the key types nothing in that state.
struct KeyRow {
  std::uint8_t vk;
  std::uint8_t attributes;
  std::u16string_view chars;
  std::uint8_t deadColumns = 0;     // bit n: the character in column n is a dead key's accent
  std::u16string_view capsChars{};  // kSgCaps: with Caps Lock, then with Caps Lock and Shift
};

// Keys sharing a number of modifications; the tables are searched in their listed order.
struct KeyGroup {
  std::size_t modifications;
  std::vector<KeyRow> rows;
};

// What a dead key's accent followed by base makes.
struct DeadTrans {
  char16_t accent;
  char16_t base;
  char16_t result;
};

// A key and its scan code without and with the E0 prefix.
struct KeyPosition {
  std::uint8_t scan;
  bool extended;
  std::uint8_t vk;
};

constexpr std::int8_t kNoModification = -1;

struct LayoutTable {
  std::string_view name;
  std::string_view klid;
  bool altGr;  // the right Alt key is Ctrl+Alt
  // The modification number for each combination of Shift (1), Ctrl (2) and Alt (4).
  std::array<std::int8_t, 8> modificationNumber;
  std::vector<KeyGroup> groups;
  std::vector<DeadTrans> deadTrans;
  std::vector<KeyPosition> positions;  // searched in order, as MapVirtualKeyEx searches
};

const LayoutTable& UsLayout();
const LayoutTable& UkLayout();
const LayoutTable& GermanLayout();
const LayoutTable& FrenchLayout();
const LayoutTable& SwissGermanLayout();
const std::vector<const LayoutTable*>& AllLayouts();

// A key's name in test messages: "Enter", "F9", "LShift", "A", "VK_BA".
std::string KeyName(std::uint8_t vk);

}  // namespace tolvane::test
