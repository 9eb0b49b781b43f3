#include "linux/Compose.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace tolvane::posix {
namespace {

// The longest sequence looked for: two dead keys and a letter.
constexpr std::size_t kMaxLength = 3;

// What a key gives, and how it is typed.
struct Typable {
  xkb_keysym_t sym;
  std::uint8_t key, modifiers;
};

// The single character of a UTF-8 text; 0 when it is more or other than one BMP character.
char16_t OneCharacter(const char* text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  std::uint32_t c = 0;
  std::size_t n = 0;
  if (s[0] < 0x80) {
    c = s[0];
    n = 1;
  } else if ((s[0] & 0xE0) == 0xC0) {
    c = s[0] & 0x1Fu;
    n = 2;
  } else if ((s[0] & 0xF0) == 0xE0) {
    c = s[0] & 0x0Fu;
    n = 3;
  } else {
    return 0;
  }
  for (std::size_t i = 1; i < n; ++i) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (s[i] & 0x3Fu);
  }
  return s[n] == 0 ? static_cast<char16_t>(c) : 0;
}

}  // namespace

xkb_compose_table* LocaleComposeTable(xkb_context* context) {
  const char* locale = nullptr;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) {
      locale = value;
      break;
    }
  }
  xkb_compose_table* table =
      locale ? xkb_compose_table_new_from_locale(context, locale, XKB_COMPOSE_COMPILE_NO_FLAGS) : nullptr;
  return table ? table : xkb_compose_table_new_from_locale(context, "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS);
}

Composer::Composer(const XkbLayout& layout, xkb_compose_table* table)
    : layout_(layout), table_(table ? xkb_compose_table_ref(table) : nullptr) {}

Composer::~Composer() {
  if (table_) xkb_compose_table_unref(table_);
}

KeySequence Composer::Sequence(char16_t c, bool capsLock) const {
  const Table& table = For(capsLock);
  const auto it = table.find(c);
  return it == table.end() ? KeySequence{} : it->second;
}

// Every sequence the table composes from keys of the layout, shortest first: a sequence goes
// on only while the table is still composing it. Of equals, the one found first wins: the blank
// is tried first (dead key and blank, as a spacing accent is typed), then keys with fewer
// modifiers.
const Composer::Table& Composer::For(bool capsLock) const {
  std::unique_ptr<Table>& found = tables_[capsLock ? 1 : 0];
  if (found) return *found;
  found = std::make_unique<Table>();
  if (!table_) return *found;

  std::vector<Typable> typables;
  if (layout_.Keysym(vk::Space, 0, capsLock) == XKB_KEY_space) typables.push_back({XKB_KEY_space, vk::Space, 0});
  std::vector<std::uint8_t> modifiers{0, kModShift};
  if (layout_.Level3Key()) modifiers.insert(modifiers.end(), {kModCtrl | kModAlt, kModShift | kModCtrl | kModAlt});
  for (const std::uint8_t m : modifiers) {
    for (const std::uint8_t key : TypingKeys()) {
      const xkb_keysym_t sym = layout_.Keysym(key, m, capsLock);
      bool known = sym == XKB_KEY_NoSymbol;
      for (const Typable& t : typables) known = known || t.sym == sym;
      if (!known) typables.push_back({sym, key, m});
    }
  }

  xkb_compose_state* state = xkb_compose_state_new(table_, XKB_COMPOSE_STATE_NO_FLAGS);
  std::vector<std::vector<std::size_t>> composing{{}};  // the sequences still open, as indices
  for (std::size_t length = 1; length <= kMaxLength && !composing.empty(); ++length) {
    std::vector<std::vector<std::size_t>> next;
    for (const auto& prefix : composing) {
      for (std::size_t i = 0; i < typables.size(); ++i) {
        xkb_compose_state_reset(state);
        for (const std::size_t p : prefix) xkb_compose_state_feed(state, typables[p].sym);
        xkb_compose_state_feed(state, typables[i].sym);
        std::vector<std::size_t> sequence = prefix;
        sequence.push_back(i);
        const xkb_compose_status status = xkb_compose_state_get_status(state);
        if (status == XKB_COMPOSE_COMPOSING) {
          next.push_back(std::move(sequence));
        } else if (status == XKB_COMPOSE_COMPOSED) {
          char text[16];
          xkb_compose_state_get_utf8(state, text, sizeof text);
          const char16_t c = OneCharacter(text);
          if (c == 0 || found->count(c)) continue;
          KeySequence& keys = (*found)[c];
          for (const std::size_t s : sequence) keys.emplace_back(typables[s].key, typables[s].modifiers);
        }
      }
    }
    composing = std::move(next);
  }
  xkb_compose_state_unref(state);
  return *found;
}

}  // namespace tolvane::posix
