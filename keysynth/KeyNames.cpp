#include "keysynth/KeyNames.h"

#include <string>

#include "common/Text.h"

namespace tolvane {

namespace {

// Both paths know the name and press the same key; only the typing facility knows it.
constexpr KeyNameRow Both(const char* name, std::uint8_t key) { return {name, key, key}; }
constexpr KeyNameRow FacilityOnly(const char* name, std::uint8_t key) { return {name, key, 0}; }

}  // namespace

const std::vector<KeyNameRow>& KeyNameTable() {
  static const std::vector<KeyNameRow> table = [] {
    std::vector<KeyNameRow> t = {
        Both("CAPSLOCK", vk::Capital),
        Both("NUMLOCK", vk::NumLock),
        Both("SCROLLOCK", vk::Scroll),
        Both("ESCAPE", vk::Escape),
        Both("ESC", vk::Escape),
        Both("ENTER", vk::Return),
        Both("HELP", vk::Help),
        Both("PRTSC", vk::Snapshot),
        Both("TAB", vk::Tab),
        {"BREAK", vk::Cancel, vk::Control},  // the console path presses (and releases) Control for it
        Both("CLEAR", vk::Clear),
        Both("BACKSPACE", vk::Back),
        Both("BS", vk::Back),
        Both("BKSP", vk::Back),
        Both("DELETE", vk::Delete),
        Both("DEL", vk::Delete),
        Both("INSERT", vk::Insert),
        Both("LEFT", vk::Left),
        Both("RIGHT", vk::Right),
        Both("UP", vk::Up),
        Both("DOWN", vk::Down),
        Both("PGUP", vk::Prior),
        Both("PGDN", vk::Next),
        Both("HOME", vk::Home),
        Both("END", vk::End),
    };
    static const char* const functionKeys[] = {"F1", "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",
                                               "F9", "F10", "F11", "F12", "F13", "F14", "F15", "F16"};
    for (int n = 1; n <= 16; ++n) t.push_back(Both(functionKeys[n - 1], vk::FunctionKey(n)));
    for (const KeyNameRow& row : {FacilityOnly("INS", vk::Insert), FacilityOnly("SCROLLLOCK", vk::Scroll),
                                  FacilityOnly("ADD", vk::Add), FacilityOnly("SUBTRACT", vk::Subtract),
                                  FacilityOnly("MULTIPLY", vk::Multiply), FacilityOnly("DIVIDE", vk::Divide)})
      t.push_back(row);
    return t;
  }();
  return table;
}

const KeyNameRow* LookupKeyName(std::string_view text, KeyNameSet set) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return nullptr;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  const std::string upper = ToUpper(text);
  for (const auto& row : KeyNameTable())
    if (upper == row.name && (set == KeyNameSet::Windows || row.console != 0)) return &row;
  return nullptr;
}

}  // namespace tolvane
