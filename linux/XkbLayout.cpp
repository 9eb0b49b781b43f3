#include "linux/XkbLayout.h"

#include <array>
#include <string>

namespace tolvane::posix {
namespace {

// The XKB key name at each virtual key's position on a PC keyboard. Typing characters uses the
// keys of the main block only, as the system's own lookup does; the keypad is reached by name.
struct NamedKey {
  std::uint8_t key;
  const char* name;
  bool types;  // a key whose characters the layout is searched for
};

// clang-format off
constexpr NamedKey kNamedKeys[] = {
    {'1', "AE01", true}, {'2', "AE02", true}, {'3', "AE03", true}, {'4', "AE04", true}, {'5', "AE05", true},
    {'6', "AE06", true}, {'7', "AE07", true}, {'8', "AE08", true}, {'9', "AE09", true}, {'0', "AE10", true},
    {vk::OemMinus, "AE11", true}, {vk::OemPlus, "AE12", true}, {vk::AbntC2, "AE13", true},
    {'Q', "AD01", true}, {'W', "AD02", true}, {'E', "AD03", true}, {'R', "AD04", true}, {'T', "AD05", true},
    {'Y', "AD06", true}, {'U', "AD07", true}, {'I', "AD08", true}, {'O', "AD09", true}, {'P', "AD10", true},
    {vk::Oem4, "AD11", true}, {vk::Oem6, "AD12", true},
    {'A', "AC01", true}, {'S', "AC02", true}, {'D', "AC03", true}, {'F', "AC04", true}, {'G', "AC05", true},
    {'H', "AC06", true}, {'J', "AC07", true}, {'K', "AC08", true}, {'L', "AC09", true},
    {vk::Oem1, "AC10", true}, {vk::Oem7, "AC11", true}, {vk::Oem3, "TLDE", true}, {vk::Oem5, "BKSL", true},
    {'Z', "AB01", true}, {'X', "AB02", true}, {'C', "AB03", true}, {'V', "AB04", true}, {'B', "AB05", true},
    {'N', "AB06", true}, {'M', "AB07", true}, {vk::OemComma, "AB08", true}, {vk::OemPeriod, "AB09", true},
    {vk::Oem2, "AB10", true}, {vk::AbntC1, "AB11", true}, {vk::Oem102, "LSGT", true},
    {vk::Space, "SPCE", true}, {vk::Back, "BKSP", true}, {vk::Tab, "TAB", true}, {vk::Return, "RTRN", true},
    {vk::Escape, "ESC", true},
    {vk::Capital, "CAPS", false}, {vk::Shift, "LFSH", false}, {vk::LShift, "LFSH", false},
    {vk::RShift, "RTSH", false}, {vk::Control, "LCTL", false}, {vk::LControl, "LCTL", false},
    {vk::RControl, "RCTL", false}, {vk::Menu, "LALT", false}, {vk::LMenu, "LALT", false},
    {vk::RMenu, "RALT", false}, {vk::LWin, "LWIN", false}, {vk::RWin, "RWIN", false}, {vk::Apps, "COMP", false},
    {vk::Prior, "PGUP", false}, {vk::Next, "PGDN", false}, {vk::End, "END", false}, {vk::Home, "HOME", false},
    {vk::Left, "LEFT", false}, {vk::Up, "UP", false}, {vk::Right, "RGHT", false}, {vk::Down, "DOWN", false},
    {vk::Snapshot, "PRSC", false}, {vk::Insert, "INS", false}, {vk::Delete, "DELE", false},
    {vk::Help, "HELP", false}, {vk::Clear, "KP5", false}, {vk::Cancel, "PAUS", false}, {vk::Pause, "PAUS", false},
    {vk::NumLock, "NMLK", false}, {vk::Scroll, "SCLK", false}, {vk::Multiply, "KPMU", false},
    {vk::Add, "KPAD", false}, {vk::Subtract, "KPSU", false}, {vk::Divide, "KPDV", false},
    {vk::Decimal, "KPDL", false},
    {vk::FunctionKey(1), "FK01", false}, {vk::FunctionKey(2), "FK02", false}, {vk::FunctionKey(3), "FK03", false},
    {vk::FunctionKey(4), "FK04", false}, {vk::FunctionKey(5), "FK05", false}, {vk::FunctionKey(6), "FK06", false},
    {vk::FunctionKey(7), "FK07", false}, {vk::FunctionKey(8), "FK08", false}, {vk::FunctionKey(9), "FK09", false},
    {vk::FunctionKey(10), "FK10", false}, {vk::FunctionKey(11), "FK11", false},
    {vk::FunctionKey(12), "FK12", false}, {vk::FunctionKey(13), "FK13", false},
    {vk::FunctionKey(14), "FK14", false}, {vk::FunctionKey(15), "FK15", false},
    {vk::FunctionKey(16), "FK16", false}};
// clang-format on

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

// A key's layout index for the layout asked for: keys with fewer groups wrap, as XKB's default is.
xkb_layout_index_t EffectiveLayout(xkb_keymap* keymap, xkb_keycode_t kc, xkb_layout_index_t layout) {
  const xkb_layout_index_t n = xkb_keymap_num_layouts_for_key(keymap, kc);
  return n == 0 ? 0 : layout % n;
}

}  // namespace

const char* XkbKeyName(std::uint8_t key) {
  for (const NamedKey& k : kNamedKeys)
    if (k.key == key) return k.name;
  return nullptr;
}

const std::vector<std::uint8_t>& TypingKeys() {
  static const std::vector<std::uint8_t> keys = [] {
    std::vector<std::uint8_t> v;
    for (const NamedKey& k : kNamedKeys)
      if (k.types) v.push_back(k.key);
    return v;
  }();
  return keys;
}

XkbLayout::XkbLayout(xkb_keymap* keymap, xkb_layout_index_t layout) : keymap_(xkb_keymap_ref(keymap)), layout_(layout) {
  const auto mask = [keymap](const char* name) {
    const xkb_mod_index_t i = xkb_keymap_mod_get_index(keymap, name);
    return i == XKB_MOD_INVALID ? 0u : 1u << i;
  };
  shift_ = mask(XKB_MOD_NAME_SHIFT);
  lock_ = mask(XKB_MOD_NAME_CAPS);
  control_ = mask(XKB_MOD_NAME_CTRL);
  alt_ = mask(XKB_MOD_NAME_ALT);
  for (const NamedKey& k : kNamedKeys)
    if (!codes_[k.key]) codes_[k.key] = xkb_keymap_key_by_name(keymap, k.name);

  // The third-level key: the one that gives ISO_Level3_Shift, the right Alt key where it does.
  for (xkb_keycode_t kc = xkb_keymap_min_keycode(keymap); kc <= xkb_keymap_max_keycode(keymap); ++kc) {
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, kc, EffectiveLayout(keymap, kc, layout_), 0, &syms) != 1 ||
        syms[0] != XKB_KEY_ISO_Level3_Shift)
      continue;
    if (!level3Key_ || kc == codes_[vk::RMenu]) level3Key_ = kc;
  }

  for (const NamedKey& named : kNamedKeys) {
    const xkb_keycode_t kc = codes_[named.key];
    if (!named.types || kc == XKB_KEYCODE_INVALID || codes_[named.key] == 0) continue;
    const std::uint8_t key = named.key;
    const xkb_layout_index_t group = EffectiveLayout(keymap, kc, layout_);
    for (xkb_level_index_t level = 0; level < xkb_keymap_num_levels_for_key(keymap, kc, group); ++level) {
      xkb_mod_mask_t masks[4];
      const std::size_t n = xkb_keymap_key_get_mods_for_level(keymap, kc, group, level, masks, 4);
      // The first combination of Shift and the third level that reaches this level.
      std::int16_t mods = -1;
      for (std::size_t i = 0; i < n && mods < 0; ++i) {
        const xkb_mod_mask_t other = masks[i] & ~(shift_ | lock_);
        if (level >= 2 && other && !(other & (control_ | alt_)) && !level3_) level3_ = other;
        if (other && other != level3_) continue;
        if (other && !level3Key_) continue;  // no key to reach the third level with
        mods = static_cast<std::int16_t>(((masks[i] & shift_) ? kModShift : 0) | (other ? kModCtrl | kModAlt : 0));
      }
      const xkb_keysym_t* syms = nullptr;
      if (mods < 0 || xkb_keymap_key_get_syms_by_level(keymap, kc, group, level, &syms) != 1) continue;
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

std::uint16_t XkbLayout::ScanCode(std::uint8_t key) const {
  const auto code = static_cast<std::uint16_t>(KeyCode(key) & 0xFF);
  return code && vk::IsExtended(key) ? static_cast<std::uint16_t>(0xE000 | code) : code;
}

xkb_mod_mask_t XkbLayout::Mask(std::uint8_t modifiers) const {
  xkb_mod_mask_t depressed = (modifiers & kModShift) ? shift_ : 0;
  if ((modifiers & (kModCtrl | kModAlt)) == (kModCtrl | kModAlt))
    depressed |= level3_;
  else
    depressed |= ((modifiers & kModCtrl) ? control_ : 0) | ((modifiers & kModAlt) ? alt_ : 0);
  return depressed;
}

KeyResult XkbLayout::Translate(std::uint8_t key, std::uint8_t modifiers, bool capsLock) const {
  const xkb_keycode_t kc = KeyCode(key);
  if (!kc) return {};
  xkb_state* state = xkb_state_new(keymap_);
  xkb_state_update_mask(state, Mask(modifiers), 0, capsLock ? lock_ : 0, 0, 0, layout_);
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

xkb_keysym_t XkbLayout::Keysym(std::uint8_t key, std::uint8_t modifiers, bool capsLock) const {
  const xkb_keycode_t kc = KeyCode(key);
  if (!kc) return XKB_KEY_NoSymbol;
  xkb_state* state = xkb_state_new(keymap_);
  xkb_state_update_mask(state, Mask(modifiers), 0, capsLock ? lock_ : 0, 0, 0, layout_);
  const xkb_keysym_t sym = xkb_state_key_get_one_sym(state, kc);
  xkb_state_unref(state);
  return sym;
}

xkb_keymap* KeymapFromNames(xkb_context* context, const std::string& layout, const std::string& variant) {
  xkb_rule_names names{};
  names.layout = layout.empty() ? "us" : layout.c_str();
  names.variant = variant.empty() ? nullptr : variant.c_str();
  return xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

}  // namespace tolvane::posix
