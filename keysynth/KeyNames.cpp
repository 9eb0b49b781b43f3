#include "keysynth/KeyNames.h"

#include <string>

#include "common/Text.h"

namespace tolvane {

const std::vector<KeyNameRow>& KeyNameTable() {
  // clang-format off
  static const std::vector<KeyNameRow> table = {
      {"CAPSLOCK", 0x14, 20},  {"NUMLOCK", 0x90, 144}, {"SCROLLOCK", 0x91, 145}, {"ESCAPE", 0x1B, 27},
      {"ESC", 0x1B, 27},       {"ENTER", 0x0D, 13},    {"HELP", 0x2F, 47},       {"PRTSC", 0x2C, 44},
      {"TAB", 0x09, 9},
      {"BREAK", 0x03, 17},  // the console path presses (and releases) Control for it
      {"CLEAR", 0x0C, 12},     {"BACKSPACE", 0x08, 8}, {"BS", 0x08, 8},          {"BKSP", 0x08, 8},
      {"DELETE", 0x2E, 46},    {"DEL", 0x2E, 46},      {"INSERT", 0x2D, 45},     {"LEFT", 0x25, 37},
      {"RIGHT", 0x27, 39},     {"UP", 0x26, 38},       {"DOWN", 0x28, 40},       {"PGUP", 0x21, 33},
      {"PGDN", 0x22, 34},      {"HOME", 0x24, 36},     {"END", 0x23, 35},        {"F1", 0x70, 112},
      {"F2", 0x71, 113},       {"F3", 0x72, 114},      {"F4", 0x73, 115},        {"F5", 0x74, 116},
      {"F6", 0x75, 117},       {"F7", 0x76, 118},      {"F8", 0x77, 119},        {"F9", 0x78, 120},
      {"F10", 0x79, 121},      {"F11", 0x7A, 122},     {"F12", 0x7B, 123},       {"F13", 0x7C, 124},
      {"F14", 0x7D, 125},      {"F15", 0x7E, 126},     {"F16", 0x7F, 127},
      // Names only the typing facility knows.
      {"INS", 0x2D, 0},        {"SCROLLLOCK", 0x91, 0}, {"ADD", 0x6B, 0},        {"SUBTRACT", 0x6D, 0},
      {"MULTIPLY", 0x6A, 0},   {"DIVIDE", 0x6F, 0},
  };
  // clang-format on
  return table;
}

const KeyNameRow* LookupKeyName(std::string_view text, KeyNameSet set) {
  if (set == KeyNameSet::None) return nullptr;
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return nullptr;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  const std::string upper = ToUpper(text);
  for (const auto& row : KeyNameTable())
    if (upper == row.name && (set == KeyNameSet::Windows || row.console != 0)) return &row;
  return nullptr;
}

}  // namespace tolvane
