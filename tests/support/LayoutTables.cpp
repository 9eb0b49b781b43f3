#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "tests/support/TableLayout.h"

// kbdus, kbdgr and kbdfr follow the layout samples of the Windows Driver Kit. kbduk and kbdsg
// follow Microsoft's published charts of those layouts, grouped and ordered the way the kit's
// layouts are. The keys keep the layout's order, because VkKeyScanEx answers with the first match.
//
// A character key is named by what it types on the US layout (Y is VK_Y, ';' is VK_OEM_1);
// '<' is VK_OEM_102 and '!' VK_OEM_8, which the US layout lacks.

namespace tolvane::test {
namespace {

using namespace std::string_view_literals;

constexpr std::int8_t X = -1;

std::uint8_t Vk(char name) {
  constexpr std::string_view kNames = ";=,-./`[\\]'!<";
  // VK_OEM_1 to VK_OEM_102, in the order of the names
  constexpr std::string_view kOemKeys = "\xBA\xBB\xBC\xBD\xBE\xBF\xC0\xDB\xDC\xDD\xDE\xDF\xE2";
  const std::size_t i = kNames.find(name);
  return static_cast<std::uint8_t>(i == std::string_view::npos ? name : kOemKeys[i]);
}

// The scan codes of the character keys, row by row as they lie on the keyboard.
constexpr std::uint8_t kCharacterScans[] = {
    0x29, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D,  //
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x2B,  //
    0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28,              //
    0x56, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35};

// The other keys the typing engine names, the same on every layout.
std::map<std::uint8_t, std::uint16_t> OtherScans() {
  // clang-format off
  std::map<std::uint8_t, std::uint16_t> scans = {
      {vk::Escape, 0x01},    {vk::Back, 0x0E},      {vk::Tab, 0x0F},       {vk::Return, 0x1C},   {vk::Space, 0x39},
      {vk::Capital, 0x3A},   {vk::Shift, 0x2A},     {vk::LShift, 0x2A},    {vk::RShift, 0x36},   {vk::Control, 0x1D},
      {vk::LControl, 0x1D},  {vk::RControl, 0xE01D}, {vk::Menu, 0x38},     {vk::LMenu, 0x38},    {vk::RMenu, 0xE038},
      {vk::LWin, 0xE05B},    {vk::RWin, 0xE05C},    {vk::Cancel, 0xE046},  {vk::Home, 0xE047},   {vk::Up, 0xE048},
      {vk::Prior, 0xE049},   {vk::Left, 0xE04B},    {vk::Right, 0xE04D},   {vk::End, 0xE04F},    {vk::Down, 0xE050},
      {vk::Next, 0xE051},    {vk::Insert, 0xE052},  {vk::Delete, 0xE053},  {vk::Multiply, 0x37}, {vk::Subtract, 0x4A},
      {vk::Add, 0x4E},       {vk::Divide, 0xE035},  {vk::F1 + 10, 0x57},   {vk::F1 + 11, 0x58},
      {0x2C /* Print Screen */, 0xE037}, {0x90 /* Num Lock */, 0xE045}, {0x91 /* Scroll Lock */, 0x46},
      {0x0C /* Clear */, 0x4C}};
  // clang-format on
  const auto at = [&scans](int key) -> std::uint16_t& { return scans[static_cast<std::uint8_t>(key)]; };
  for (int i = 0; i < 10; ++i) at(vk::F1 + i) = static_cast<std::uint16_t>(0x3B + i);
  for (int i = 0; i < 4; ++i) at(vk::F1 + 12 + i) = static_cast<std::uint16_t>(0x64 + i);
  return scans;
}

const DeadKey kCircumflex{u'^', u"aeiouAEIOU ", u"âêîôûÂÊÎÔÛ^"};
const DeadKey kAcute{u'´', u"aeiouyAEIOUY ", u"áéíóúýÁÉÍÓÚÝ´"};
const DeadKey kGrave{u'`', u"aeiouAEIOU ", u"àèìòùÀÈÌÒÙ`"};
const DeadKey kDiaeresis{u'¨', u"aeiouyAEIOU ", u"äëïöüÿÄËÏÖÜ¨"};
const DeadKey kTilde{u'~', u"aAnNoO ", u"ãÃñÑõÕ~"};

struct Builder {
  // keyboard: the character keys row by row as they lie on the keyboard.
  Builder(std::string_view name, bool altGr, std::array<std::int8_t, 8> numbers, std::string_view keyboard)
      : t{name, altGr, numbers, {}, {}, OtherScans()} {
    for (std::size_t i = 0; i < keyboard.size(); ++i) t.scanCodes[Vk(keyboard[i])] = kCharacterScans[i];
  }

  // Keys sharing a table: one string per modification number, a character per key (' ' for none).
  Builder& Keys(std::string_view names, std::initializer_list<std::u16string_view> columns) {
    for (std::size_t k = 0; k < names.size(); ++k) {
      const std::uint8_t key = Vk(names[k]);
      KeyRow row{key, static_cast<std::uint8_t>(key >= 'A' && key <= 'Z' ? kCapLok : 0), {}, {}};
      for (const std::u16string_view column : columns) row.chars += column.at(k) == u' ' ? u'\0' : column[k];
      t.rows.push_back(row);
    }
    return *this;
  }

  // Backspace, Esc, Enter, Space, Break and Tab, whose key codes are their characters; Ctrl
  // gives Backspace DEL and Enter a line feed, and nothing with Tab.
  Builder& Controls() {
    const auto ctrl = static_cast<std::size_t>(t.modificationNumber[kModCtrl]);
    for (const char16_t key : u"\b\x1b\r \x03"sv) {
      KeyRow row{static_cast<std::uint8_t>(key), 0, std::u16string(ctrl + 1, u'\0'), {}};
      row.chars[0] = row.chars[1] = key;
      row.chars[ctrl] = key == u'\b' ? u'\x7f' : key == u'\r' ? u'\n' : key;
      t.rows.push_back(row);
    }
    t.rows.push_back({vk::Tab, 0, {u'\t', u'\t'}, {}});
    return *this;
  }

  KeyRow& Row(char name) {
    for (KeyRow& r : t.rows)
      if (r.vk == Vk(name)) return r;
    throw std::invalid_argument(std::string("no row for the key ") + name);
  }

  // Besides the letters, the keys Caps Lock shifts (kCapLokAltGr: with AltGr too).
  Builder& CapsLock(std::string_view names, std::uint8_t attributes = kCapLok) {
    for (const char n : names) Row(n).attributes |= attributes;
    return *this;
  }

  // Keys whose characters change with Caps Lock, and with Caps Lock and Shift.
  Builder& OwnCaps(std::string_view names, std::u16string_view caps, std::u16string_view capsShift) {
    for (std::size_t k = 0; k < names.size(); ++k) Row(names[k]).capsChars = {caps[k], capsShift[k]};
    return CapsLock(names, kSgCaps);
  }

  // The keys whose accents wait for the next key, and what the accents make.
  Builder& Dead(std::string_view names, std::vector<DeadKey> deadKeys) {
    t.deadKeys = std::move(deadKeys);
    for (const char n : names) {
      KeyRow& r = Row(n);
      for (std::size_t i = 0; i < r.chars.size(); ++i)
        for (const DeadKey& d : t.deadKeys) r.deadColumns |= d.accent == r.chars[i] ? 1 << i : 0;
    }
    return *this;
  }

  LayoutTable t;
};

LayoutTable MakeUs() {
  Builder b("US", false, {0, 1, 2, 3, X, X, X, X}, "`1234567890-=QWERTYUIOP[]\\ASDFGHJKL;'<ZXCVBNM,./");
  // Columns: base, Shift, Ctrl, Shift+Ctrl.
  b.Keys("[]\\<", {u"[]\\\\", u"{}||", u"\x1b\x1d\x1c\x1c"}).Controls();
  b.Keys("26-", {u"26-", u"@^_", u"   ", u" \x1e\x1f"});
  b.Keys("`13457890=QWERTYUIOPASDFGHJKL;'ZXCVBNM,./",
         {u"`13457890=qwertyuiopasdfghjkl;'zxcvbnm,./", u"~!#$%&*()+QWERTYUIOPASDFGHJKL:\"ZXCVBNM<>?"});
  return b.t;
}

LayoutTable MakeUk() {
  Builder b("United Kingdom", true, {0, 1, 2, 3, X, X, 4, 5}, "!1234567890-=QWERTYUIOP[]'ASDFGHJKL;`\\ZXCVBNM,./");
  // Columns: base, Shift, Ctrl, Shift+Ctrl, AltGr, Shift+AltGr.
  b.Keys("[]'\\", {u"[]#\\", u"{}~|", u"\x1b\x1d\x1c\x1c"}).Controls();
  b.Keys("26-", {u"26-", u"\"^_", u"   ", u" \x1e\x1f"});
  b.Keys("!4", {u"`4", u"¬$", u"  ", u"  ", u"¦€"});
  b.Keys("EUIOA", {u"euioa", u"EUIOA", u"     ", u"     ", u"éúíóá", u"ÉÚÍÓÁ"});
  b.Keys("1357890=QWRTYPSDFGHJKL;`ZXCVBNM,./",
         {u"1357890=qwrtypsdfghjkl;'zxcvbnm,./", u"!£%&*()+QWRTYPSDFGHJKL:@ZXCVBNM<>?"});
  return b.CapsLock("EUIOA", kCapLokAltGr).t;
}

LayoutTable MakeGerman() {
  Builder b("German", true, {0, 1, 3, 4, X, X, 2, X}, "\\1234567890[]QWERTZUIOP;=/ASDFGHJKL`'<YXCVBNM,.-");
  // Columns: base, Shift, AltGr, Ctrl, Shift+Ctrl.
  b.Keys("37890[QEM<", {u"37890ßqem<", u"§/()=?QEM>", u"³{[]}\\@€µ|"});
  b.Keys(";=/", {u"ü+#", u"Ü*'", u" ~ ", u"\x1b\x1d\x1c"}).Controls();
  b.Keys("26-", {u"26-", u"\"&_", u"²  ", u"   ", u" \x1e\x1f"});
  b.Keys("\\145]WRTZUIOPASDFGHJKL`'YXCVBN,.",
         {u"^145´wrtzuiopasdfghjklöäyxcvbn,.", u"°!$%`WRTZUIOPASDFGHJKLÖÄYXCVBN;:"});
  return b.CapsLock("1234567890[;=/`',.").Dead("\\]", {kCircumflex, kAcute, kGrave}).t;
}

LayoutTable MakeFrench() {
  Builder b("French", true, {0, 1, 2, 4, X, X, 3, X}, "'1234567890[=AZERTYUIOP];\\QSDFGHJKLM`<WXCVBN,./!");
  // Columns: base, Shift, Ctrl, AltGr, Shift+Ctrl.
  b.Keys("]\\<", {u"^*<", u"¨µ>", u"\x1b\x1c\x1c"}).Controls();
  b.Keys("23470[=E;", {u"é\"'èà)=e$", u"23470°+E£", u"        \x1d", u"~#{`@]}€¤"});
  b.Keys("5689", {u"(-_ç", u"5689", u"    ", u"[|\\^", u"\x1b\x1f\x1c\x1e"});
  b.Keys("'1AZRTYUIOPQSDFGHJKLM`WXCVBN,./!",
         {u"²&azrtyuiopqsdfghjklmùwxcvbn,;:!", u" 1AZRTYUIOPQSDFGHJKLM%WXCVBN?./§"});
  return b.CapsLock("1234567890[]\\=;`,./!").Dead("]27", {kCircumflex, kDiaeresis, kTilde, kGrave}).t;
}

LayoutTable MakeSwissGerman() {
  Builder b("Swiss German", true, {0, 1, 3, 4, X, X, 2, X}, "/1234567890[]QWERTZUIOP;`!ASDFGHJKL'\\<YXCVBNM,.-");
  // Columns: base, Shift, AltGr, Ctrl, Shift+Ctrl.
  b.Keys("134578[]E\\<", {u"134578'^eä<", u"+*ç%/(?`Eà>", u"¦#°§|¢´~€{\\"});
  b.Keys(";`!", {u"ü¨$", u"è!£", u"[]}", u"\x1b\x1d\x1c"}).Controls();
  b.Keys("26-", {u"26-", u"\"&_", u"@¬ ", u"   ", u" \x1e\x1f"});
  b.Keys("/90QWRTZUIOPASDFGHJKL'YXCVBNM,.", {u"§90qwrtzuiopasdfghjklöyxcvbnm,.", u"°)=QWRTZUIOPASDFGHJKLéYXCVBNM;:"});
  b.OwnCaps("\\;'", u"ÄÜÖ", u"ÀÈÉ");
  return b.Dead("[]`", {kCircumflex, kAcute, kGrave, kDiaeresis, kTilde}).t;
}

}  // namespace

const std::vector<const LayoutTable*>& AllLayouts() {
  static const LayoutTable tables[] = {MakeUs(), MakeUk(), MakeGerman(), MakeFrench(), MakeSwissGerman()};
  static const std::vector<const LayoutTable*> all = {&tables[0], &tables[1], &tables[2], &tables[3], &tables[4]};
  return all;
}

std::string KeyName(std::uint8_t key) {
  static const std::map<std::uint8_t, const char*> kNames = {
      {vk::Home, "Home"},     {vk::End, "End"},       {vk::Left, "Left"},        {vk::Delete, "Del"},
      {vk::LWin, "LWin"},     {vk::RWin, "RWin"},     {vk::Capital, "CapsLock"}, {vk::Tab, "Tab"},
      {vk::LShift, "LShift"}, {vk::RShift, "RShift"}, {vk::LControl, "LCtrl"},   {vk::RControl, "RCtrl"},
      {vk::LMenu, "LAlt"},    {vk::RMenu, "RAlt"},    {vk::Return, "Enter"}};
  if (const auto it = kNames.find(key); it != kNames.end()) return it->second;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= vk::F1 && key < vk::F1 + 24) return "F" + std::to_string(key - vk::F1 + 1);
  static constexpr char kHex[] = "0123456789ABCDEF";
  return std::string("VK_") + kHex[key >> 4] + kHex[key & 15];
}

}  // namespace tolvane::test
