#include "linux/XkbLayout.h"

#include <array>
#include <string>

namespace tolvane::posix {
namespace {

// Windows virtual key → evdev code; the extended keys carry 0xE000 as their scan codes do.
const std::array<std::uint16_t, 256>& EvdevTable() {
  static const std::array<std::uint16_t, 256> table = [] {
    std::array<std::uint16_t, 256> t{};
    const char* letters = "QWERTYUIOPASDFGHJKLZXCVBNM";
    const std::uint16_t letterCodes[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32,
                                         33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50};
    for (int i = 0; i < 26; ++i) t[static_cast<std::uint8_t>(letters[i])] = letterCodes[i];
    for (int d = 1; d <= 9; ++d) t['0' + d] = static_cast<std::uint16_t>(1 + d);
    t['0'] = 11;
    const std::pair<std::uint8_t, std::uint16_t> others[] = {
        {0xBA, 39},  {0xBB, 13},  {0xBC, 51},  {0xBD, 12},  {0xBE, 52},  {0xBF, 53},  {0xC0, 41},  {0xDB, 26},
        {0xDC, 43},  {0xDD, 27},  {0xDE, 40},  {0xE2, 86},  {0x08, 14},  {0x09, 15},  {0x0D, 28},  {0x1B, 1},
        {0x20, 57},  {0x14, 58},  {0x10, 42},  {0xA0, 42},  {0xA1, 54},  {0x11, 29},  {0xA2, 29},  {0xA3, 97},
        {0x12, 56},  {0xA4, 56},  {0xA5, 100}, {0x5B, 125}, {0x5C, 126}, {0x21, 104}, {0x22, 109}, {0x23, 107},
        {0x24, 102}, {0x25, 105}, {0x26, 103}, {0x27, 106}, {0x28, 108}, {0x2C, 99},  {0x2D, 110}, {0x2E, 111},
        {0x2F, 138}, {0x0C, 76},  {0x03, 119}, {0x90, 69},  {0x91, 70},  {0x6A, 55},  {0x6B, 78},  {0x6D, 74},
        {0x6F, 98},  {0x7A, 87},  {0x7B, 88}};
    for (const auto& [vk, code] : others) t[vk] = code;
    for (int f = 0; f < 10; ++f) t[0x70 + f] = static_cast<std::uint16_t>(59 + f);
    for (int f = 0; f < 4; ++f) t[0x7C + f] = static_cast<std::uint16_t>(183 + f);
    return t;
  }();
  return table;
}

bool Extended(std::uint8_t vk) {
  switch (vk) {
    case 0x03:
    case 0x21:
    case 0x22:
    case 0x23:
    case 0x24:
    case 0x25:
    case 0x26:
    case 0x27:
    case 0x28:
    case 0x2C:
    case 0x2D:
    case 0x2E:
    case 0x5B:
    case 0x5C:
    case 0x6F:
    case 0x90:
    case 0xA3:
    case 0xA5: return true;
    default: return false;
  }
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

std::uint16_t EvdevCode(std::uint8_t vk) { return EvdevTable()[vk]; }

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
  for (int vk = 255; vk > 0; --vk)
    if (EvdevCode(static_cast<std::uint8_t>(vk)) < 256 && EvdevCode(static_cast<std::uint8_t>(vk)))
      vkOf[EvdevCode(static_cast<std::uint8_t>(vk))] = static_cast<std::uint8_t>(vk);
  for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap); kc <= xkb_keymap_max_keycode(keymap); ++kc) {
    if (kc < 8 || kc - 8 >= 256 || !vkOf[kc - 8]) continue;
    const std::uint8_t vk = vkOf[kc - 8];
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
      const auto answer = static_cast<std::int16_t>(vk | (mods << 8));
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

std::uint16_t XkbLayout::ScanCode(std::uint8_t vk) const {
  const std::uint16_t code = EvdevCode(vk);
  return code && Extended(vk) ? static_cast<std::uint16_t>(0xE000 | (code & 0xFF)) : code;
}

KeyResult XkbLayout::Translate(std::uint8_t vk, std::uint8_t modifiers, bool capsLock) const {
  const std::uint16_t code = EvdevCode(vk);
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
