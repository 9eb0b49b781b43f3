#include "linux/XkbLayout.h"

#include <linux/input-event-codes.h>

#include <array>
#include <string>

namespace tolvane::posix {
namespace {

// Windows virtual key → evdev code, by the position each key has on a PC keyboard.
const std::array<std::uint16_t, 256>& EvdevTable() {
  static const std::array<std::uint16_t, 256> table = [] {
    // clang-format off
    const std::pair<std::uint8_t, std::uint16_t> keys[] = {
        {'A', KEY_A}, {'B', KEY_B}, {'C', KEY_C}, {'D', KEY_D}, {'E', KEY_E}, {'F', KEY_F}, {'G', KEY_G},
        {'H', KEY_H}, {'I', KEY_I}, {'J', KEY_J}, {'K', KEY_K}, {'L', KEY_L}, {'M', KEY_M}, {'N', KEY_N},
        {'O', KEY_O}, {'P', KEY_P}, {'Q', KEY_Q}, {'R', KEY_R}, {'S', KEY_S}, {'T', KEY_T}, {'U', KEY_U},
        {'V', KEY_V}, {'W', KEY_W}, {'X', KEY_X}, {'Y', KEY_Y}, {'Z', KEY_Z},
        {'1', KEY_1}, {'2', KEY_2}, {'3', KEY_3}, {'4', KEY_4}, {'5', KEY_5}, {'6', KEY_6}, {'7', KEY_7},
        {'8', KEY_8}, {'9', KEY_9}, {'0', KEY_0},
        {vk::Oem1, KEY_SEMICOLON}, {vk::OemPlus, KEY_EQUAL}, {vk::OemComma, KEY_COMMA}, {vk::OemMinus, KEY_MINUS},
        {vk::OemPeriod, KEY_DOT}, {vk::Oem2, KEY_SLASH}, {vk::Oem3, KEY_GRAVE}, {vk::Oem4, KEY_LEFTBRACE},
        {vk::Oem5, KEY_BACKSLASH}, {vk::Oem6, KEY_RIGHTBRACE}, {vk::Oem7, KEY_APOSTROPHE}, {vk::Oem102, KEY_102ND},
        {vk::Back, KEY_BACKSPACE}, {vk::Tab, KEY_TAB}, {vk::Return, KEY_ENTER}, {vk::Escape, KEY_ESC},
        {vk::Space, KEY_SPACE}, {vk::Capital, KEY_CAPSLOCK},
        {vk::Shift, KEY_LEFTSHIFT}, {vk::LShift, KEY_LEFTSHIFT}, {vk::RShift, KEY_RIGHTSHIFT},
        {vk::Control, KEY_LEFTCTRL}, {vk::LControl, KEY_LEFTCTRL}, {vk::RControl, KEY_RIGHTCTRL},
        {vk::Menu, KEY_LEFTALT}, {vk::LMenu, KEY_LEFTALT}, {vk::RMenu, KEY_RIGHTALT},
        {vk::LWin, KEY_LEFTMETA}, {vk::RWin, KEY_RIGHTMETA}, {vk::Apps, KEY_COMPOSE},
        {vk::Prior, KEY_PAGEUP}, {vk::Next, KEY_PAGEDOWN}, {vk::End, KEY_END}, {vk::Home, KEY_HOME},
        {vk::Left, KEY_LEFT}, {vk::Up, KEY_UP}, {vk::Right, KEY_RIGHT}, {vk::Down, KEY_DOWN},
        {vk::Snapshot, KEY_SYSRQ}, {vk::Insert, KEY_INSERT}, {vk::Delete, KEY_DELETE}, {vk::Help, KEY_HELP},
        {vk::Clear, KEY_KP5}, {vk::Cancel, KEY_PAUSE}, {vk::NumLock, KEY_NUMLOCK}, {vk::Scroll, KEY_SCROLLLOCK},
        {vk::Multiply, KEY_KPASTERISK}, {vk::Add, KEY_KPPLUS}, {vk::Subtract, KEY_KPMINUS}, {vk::Divide, KEY_KPSLASH},
        {vk::FunctionKey(1), KEY_F1}, {vk::FunctionKey(2), KEY_F2}, {vk::FunctionKey(3), KEY_F3},
        {vk::FunctionKey(4), KEY_F4}, {vk::FunctionKey(5), KEY_F5}, {vk::FunctionKey(6), KEY_F6},
        {vk::FunctionKey(7), KEY_F7}, {vk::FunctionKey(8), KEY_F8}, {vk::FunctionKey(9), KEY_F9},
        {vk::FunctionKey(10), KEY_F10}, {vk::FunctionKey(11), KEY_F11}, {vk::FunctionKey(12), KEY_F12},
        {vk::FunctionKey(13), KEY_F13}, {vk::FunctionKey(14), KEY_F14}, {vk::FunctionKey(15), KEY_F15},
        {vk::FunctionKey(16), KEY_F16}};
    // clang-format on
    std::array<std::uint16_t, 256> t{};
    for (const auto& [key, code] : keys) t[key] = code;
    return t;
  }();
  return table;
}

// The spacing accent a dead keysym types when followed by a blank.
char16_t DeadAccent(xkb_keysym_t sym) {
  switch (sym) {
    case XKB_KEY_dead_grave: return u'`';
    case XKB_KEY_dead_acute: return u'\u00B4';
    case XKB_KEY_dead_circumflex: return u'^';
    case XKB_KEY_dead_tilde: return u'~';
    case XKB_KEY_dead_diaeresis: return u'\u00A8';
    case XKB_KEY_dead_cedilla: return u'\u00B8';
    default: return sym >= XKB_KEY_dead_grave && sym <= 0xfe93 ? u'?' : 0;
  }
}

}  // namespace

std::uint16_t EvdevCode(std::uint8_t key) { return EvdevTable()[key]; }

XkbLayout::XkbLayout(xkb_keymap* keymap) : keymap_(xkb_keymap_ref(keymap)) {
  const auto mask = [keymap](const char* name) {
    const xkb_mod_index_t i = xkb_keymap_mod_get_index(keymap, name);
    return i == XKB_MOD_INVALID ? 0u : 1u << i;
  };
  shift_ = mask(XKB_MOD_NAME_SHIFT);
  lock_ = mask(XKB_MOD_NAME_CAPS);
  control_ = mask(XKB_MOD_NAME_CTRL);
  alt_ = mask(XKB_MOD_NAME_ALT);
  std::array<std::uint8_t, 256> vkOf{};  // evdev code → virtual key of the position
  for (int key = 255; key > 0; --key)
    if (EvdevCode(static_cast<std::uint8_t>(key)) < 256 && EvdevCode(static_cast<std::uint8_t>(key)))
      vkOf[EvdevCode(static_cast<std::uint8_t>(key))] = static_cast<std::uint8_t>(key);
  for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap); kc <= xkb_keymap_max_keycode(keymap); ++kc) {
    if (kc < 8 || kc - 8 >= 256 || !vkOf[kc - 8]) continue;
    const std::uint8_t key = vkOf[kc - 8];
    for (xkb_level_index_t level = 0; level < xkb_keymap_num_levels_for_key(keymap, kc, 0); ++level) {
      xkb_mod_mask_t masks[4];
      const std::size_t n = xkb_keymap_key_get_mods_for_level(keymap, kc, 0, level, masks, 4);
      // The first combination of Shift and the third level that reaches this level.
      std::int16_t mods = -1;
      for (std::size_t i = 0; i < n && mods < 0; ++i) {
        const xkb_mod_mask_t other = masks[i] & ~(shift_ | lock_);
        if (level >= 2 && other && !(other & (control_ | alt_)) && !level3_) level3_ = other;
        if (other && other != level3_) continue;
        mods = static_cast<std::int16_t>(((masks[i] & shift_) ? kModShift : 0) | (other ? kModCtrl | kModAlt : 0));
      }
      const xkb_keysym_t* syms = nullptr;
      if (mods < 0 || xkb_keymap_key_get_syms_by_level(keymap, kc, 0, level, &syms) != 1) continue;
      const auto answer = static_cast<std::int16_t>(key | (mods << 8));
      // The key that needs the fewest modifiers wins, as it does for the layout's users.
      const auto keep = [answer](std::map<char16_t, std::int16_t>& map, char16_t c) {
        const auto [it, fresh] = map.emplace(c, answer);
        if (!fresh && (answer >> 8) < (it->second >> 8)) it->second = answer;
      };
      if (const char16_t accent = DeadAccent(syms[0])) {
        keep(deadKeys_, accent);
      } else if (const std::uint32_t c = xkb_keysym_to_utf32(syms[0]); c > 0 && c < 0x10000) {
        keep(keys_, static_cast<char16_t>(c));
      }
    }
  }
}

XkbLayout::~XkbLayout() { xkb_keymap_unref(keymap_); }

std::int16_t XkbLayout::VkKeyScanEx(char16_t c) const {
  const auto it = keys_.find(c);
  if (it != keys_.end()) return it->second;
  const auto dead = deadKeys_.find(c);  // as Windows answers: the dead key itself
  return dead == deadKeys_.end() ? -1 : dead->second;
}

std::int16_t XkbLayout::DeadKeyFor(char16_t c) const {
  const auto it = deadKeys_.find(c);
  return it == deadKeys_.end() ? -1 : it->second;
}

std::uint16_t XkbLayout::ScanCode(std::uint8_t key) const {
  const std::uint16_t code = EvdevCode(key);
  return code && vk::IsExtended(key) ? static_cast<std::uint16_t>(0xE000 | (code & 0xFF)) : code;
}

KeyResult XkbLayout::Translate(std::uint8_t key, std::uint8_t modifiers, bool capsLock) const {
  const std::uint16_t code = EvdevCode(key);
  if (!code) return {};
  xkb_mod_mask_t depressed = (modifiers & kModShift) ? shift_ : 0;
  if ((modifiers & (kModCtrl | kModAlt)) == (kModCtrl | kModAlt))
    depressed |= level3_;
  else
    depressed |= ((modifiers & kModCtrl) ? control_ : 0) | ((modifiers & kModAlt) ? alt_ : 0);
  xkb_state* state = xkb_state_new(keymap_);
  xkb_state_update_mask(state, depressed, 0, capsLock ? lock_ : 0, 0, 0, 0);
  const xkb_keycode_t kc = code + 8;
  KeyResult r;
  if (const char16_t accent = DeadAccent(xkb_state_key_get_one_sym(state, kc))) {
    r.ch = accent;
    r.dead = true;
  } else if (const std::uint32_t c = xkb_state_key_get_utf32(state, kc); c < 0x10000) {
    r.ch = static_cast<char16_t>(c);
  }
  xkb_state_unref(state);
  return r;
}

xkb_keymap* KeymapFromNames(xkb_context* context, const std::string& layout, const std::string& variant) {
  xkb_rule_names names{};
  names.layout = layout.empty() ? "us" : layout.c_str();
  names.variant = variant.empty() ? nullptr : variant.c_str();
  return xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

}  // namespace tolvane::posix
