#include "tests/support/LayoutTables.h"

#include <utility>

// kbdus, kbdgr and kbdfr follow the layout samples of the Windows Driver Kit. kbduk and kbdsg
// follow Microsoft's published charts of those layouts, grouped and ordered the way the kit's
// layouts are. Within a table the keys keep the layout's order, because VkKeyScanEx answers
// with the first match.

namespace tolvane::test {
namespace {

using namespace std::string_view_literals;

constexpr std::uint8_t Dead(int a, int b = -1, int c = -1) {
  return static_cast<std::uint8_t>((1 << a) | (b >= 0 ? 1 << b : 0) | (c >= 0 ? 1 << c : 0));
}

constexpr std::int8_t X = kNoModification;

// The keys every layout ends its tables with. Ctrl sits in column 2 or 3 by layout.
std::vector<KeyRow> ControlKeys(std::size_t ctrlColumn) {
  if (ctrlColumn == 2) {
    return {{vk::Back, 0, u"\b\b\u007f"sv},       {vk::Escape, 0, u"\u001b\u001b\u001b"sv},
            {vk::Return, 0, u"\r\r\n"sv},          {vk::Space, 0, u"   "sv},
            {vk::Cancel, 0, u"\u0003\u0003\u0003"sv}};
  }
  return {{vk::Back, 0, u"\b\b\0\u007f"sv},        {vk::Escape, 0, u"\u001b\u001b\0\u001b"sv},
          {vk::Return, 0, u"\r\r\0\n"sv},           {vk::Space, 0, u"  \0 "sv},
          {vk::Cancel, 0, u"\u0003\u0003\0\u0003"sv}};
}

// Appended to the two-column table after the layout's own keys.
void AddKeypadOperators(std::vector<KeyRow>& rows, std::u16string_view decimal) {
  rows.insert(rows.end(), {{vk::Decimal, 0, decimal},
                           {vk::Tab, 0, u"\t\t"sv},
                           {vk::Add, 0, u"++"sv},
                           {vk::Divide, 0, u"//"sv},
                           {vk::Multiply, 0, u"**"sv},
                           {vk::Subtract, 0, u"--"sv}});
}

// Searched last, so that digits come from the main keys.
KeyGroup NumpadDigits() {
  KeyGroup g{1, {}};
  static constexpr std::u16string_view kDigits = u"0123456789";
  for (std::size_t i = 0; i < kDigits.size(); ++i) {
    g.rows.push_back({static_cast<std::uint8_t>(vk::Numpad0 + i), 0, kDigits.substr(i, 1)});
  }
  return g;
}

// Letter keys typing their own letter, with Caps Lock as Shift.
void AddLetters(std::vector<KeyRow>& rows, std::u16string_view letters) {
  static constexpr std::u16string_view kPairs = u"aAbBcCdDeEfFgGhHiIjJkKlLmMnNoOpPqQrRsStTuUvVwWxXyYzZ";
  for (char16_t c : letters) {
    const std::size_t i = static_cast<std::size_t>(c - u'a') * 2;
    rows.push_back({static_cast<std::uint8_t>('A' + (c - u'a')), kCapLok, kPairs.substr(i, 2)});
  }
}

// A dead key's combinations: accent + bases[i] makes results[i].
void AddDeadTrans(std::vector<DeadTrans>& out, char16_t accent, std::u16string_view bases,
                  std::u16string_view results) {
  for (std::size_t i = 0; i < bases.size(); ++i) out.push_back({accent, bases[i], results[i]});
}

// The keys of the US layout by scan code, then the keys that are the same everywhere.
std::vector<KeyPosition> Positions(std::initializer_list<std::pair<std::uint8_t, std::uint8_t>> moved) {
  std::vector<KeyPosition> p = {
      {0x29, false, vk::Oem3},     {0x02, false, '1'},           {0x03, false, '2'},
      {0x04, false, '3'},          {0x05, false, '4'},           {0x06, false, '5'},
      {0x07, false, '6'},          {0x08, false, '7'},           {0x09, false, '8'},
      {0x0A, false, '9'},          {0x0B, false, '0'},           {0x0C, false, vk::OemMinus},
      {0x0D, false, vk::OemPlus},  {0x10, false, 'Q'},           {0x11, false, 'W'},
      {0x12, false, 'E'},          {0x13, false, 'R'},           {0x14, false, 'T'},
      {0x15, false, 'Y'},          {0x16, false, 'U'},           {0x17, false, 'I'},
      {0x18, false, 'O'},          {0x19, false, 'P'},           {0x1A, false, vk::Oem4},
      {0x1B, false, vk::Oem6},     {0x2B, false, vk::Oem5},      {0x1E, false, 'A'},
      {0x1F, false, 'S'},          {0x20, false, 'D'},           {0x21, false, 'F'},
      {0x22, false, 'G'},          {0x23, false, 'H'},           {0x24, false, 'J'},
      {0x25, false, 'K'},          {0x26, false, 'L'},           {0x27, false, vk::Oem1},
      {0x28, false, vk::Oem7},     {0x56, false, vk::Oem102},    {0x2C, false, 'Z'},
      {0x2D, false, 'X'},          {0x2E, false, 'C'},           {0x2F, false, 'V'},
      {0x30, false, 'B'},          {0x31, false, 'N'},           {0x32, false, 'M'},
      {0x33, false, vk::OemComma}, {0x34, false, vk::OemPeriod}, {0x35, false, vk::Oem2},
  };
  for (const auto& [scan, key] : moved) {
    for (auto& k : p) {
      if (k.scan == scan) k.vk = key;
    }
  }
  p.insert(p.end(), {
      {0x01, false, vk::Escape},  {0x0E, false, vk::Back},      {0x0F, false, vk::Tab},
      {0x1C, false, vk::Return},  {0x39, false, vk::Space},     {0x3A, false, vk::Capital},
      {0x2A, false, vk::Shift},   {0x2A, false, vk::LShift},    {0x36, false, vk::RShift},
      {0x1D, false, vk::Control}, {0x1D, false, vk::LControl},  {0x1D, true, vk::RControl},
      {0x38, false, vk::Menu},    {0x38, false, vk::LMenu},     {0x38, true, vk::RMenu},
      {0x5B, true, vk::LWin},     {0x5C, true, vk::RWin},       {0x46, true, vk::Cancel},
      {0x47, true, vk::Home},     {0x48, true, vk::Up},         {0x49, true, vk::Prior},
      {0x4B, true, vk::Left},     {0x4D, true, vk::Right},      {0x4F, true, vk::End},
      {0x50, true, vk::Down},     {0x51, true, vk::Next},       {0x52, true, vk::Insert},
      {0x53, true, vk::Delete},   {0x57, false, vk::F1 + 10},   {0x58, false, vk::F1 + 11},
      {0x52, false, vk::Numpad0}, {0x4F, false, vk::Numpad0 + 1}, {0x50, false, vk::Numpad0 + 2},
      {0x51, false, vk::Numpad0 + 3}, {0x4B, false, vk::Numpad0 + 4}, {0x4C, false, vk::Numpad0 + 5},
      {0x4D, false, vk::Numpad0 + 6}, {0x47, false, vk::Numpad0 + 7}, {0x48, false, vk::Numpad0 + 8},
      {0x49, false, vk::Numpad0 + 9}, {0x53, false, vk::Decimal}, {0x37, false, vk::Multiply},
      {0x4A, false, vk::Subtract}, {0x4E, false, vk::Add},      {0x35, true, vk::Divide},
      {0x45, true, 0x90 /* Num Lock */}, {0x46, false, 0x91 /* Scroll Lock */}, {0x4C, false, 0x0C /* Clear */},
  });
  for (std::uint8_t i = 0; i < 10; ++i) p.push_back({static_cast<std::uint8_t>(0x3B + i), false,
                                                      static_cast<std::uint8_t>(vk::F1 + i)});
  for (std::uint8_t i = 0; i < 4; ++i) p.push_back({static_cast<std::uint8_t>(0x64 + i), false,
                                                     static_cast<std::uint8_t>(vk::F1 + 12 + i)});
  return p;
}

LayoutTable MakeUs() {
  LayoutTable t{"US", "00000409", false, {0, 1, 2, 3, X, X, X, X}, {}, {}, Positions({})};
  //                                  base shift ctrl
  KeyGroup three{3, {{vk::Oem4, 0, u"[{\u001b"sv},
                     {vk::Oem6, 0, u"]}\u001d"sv},
                     {vk::Oem5, 0, u"\\|\u001c"sv},
                     {vk::Oem102, 0, u"\\|\u001c"sv}}};
  for (auto& r : ControlKeys(2)) three.rows.push_back(r);
  //                                  base shift ctrl shift+ctrl (NUL left out)
  KeyGroup four{4, {{'2', 0, u"2@"sv}, {'6', 0, u"6^\0\u001e"sv}, {vk::OemMinus, 0, u"-_\0\u001f"sv}}};
  KeyGroup two{2, {{vk::Oem3, 0, u"`~"sv}, {'1', 0, u"1!"sv}, {'3', 0, u"3#"sv}, {'4', 0, u"4$"sv},
                   {'5', 0, u"5%"sv}, {'7', 0, u"7&"sv}, {'8', 0, u"8*"sv}, {'9', 0, u"9("sv},
                   {'0', 0, u"0)"sv}, {vk::OemPlus, 0, u"=+"sv}}};
  AddLetters(two.rows, u"qwertyuiopasdfghjkl");
  two.rows.insert(two.rows.end(), {{vk::Oem1, 0, u";:"sv}, {vk::Oem7, 0, u"'\""sv}});
  AddLetters(two.rows, u"zxcvbnm");
  two.rows.insert(two.rows.end(),
                  {{vk::OemComma, 0, u",<"sv}, {vk::OemPeriod, 0, u".>"sv}, {vk::Oem2, 0, u"/?"sv}});
  AddKeypadOperators(two.rows, u".."sv);
  t.groups = {three, four, two, NumpadDigits()};
  return t;
}

LayoutTable MakeUk() {
  LayoutTable t{"United Kingdom", "00000809", true, {0, 1, 2, 3, X, X, 4, 5}, {}, {},
                Positions({{0x28, vk::Oem3}, {0x29, vk::Oem8}, {0x2B, vk::Oem7}, {0x56, vk::Oem5}})};
  //                                  base shift ctrl
  KeyGroup three{3, {{vk::Oem4, 0, u"[{\u001b"sv},
                     {vk::Oem6, 0, u"]}\u001d"sv},
                     {vk::Oem7, 0, u"#~\u001c"sv},
                     {vk::Oem5, 0, u"\\|\u001c"sv}}};
  for (auto& r : ControlKeys(2)) three.rows.push_back(r);
  //                                  base shift ctrl shift+ctrl
  KeyGroup four{4, {{'2', 0, u"2\""sv}, {'6', 0, u"6^\0\u001e"sv}, {vk::OemMinus, 0, u"-_\0\u001f"sv}}};
  //                                  base shift ctrl shift+ctrl altgr
  KeyGroup five{5, {{vk::Oem8, 0, u"`¬\0\0¦"sv}, {'4', 0, u"4$\0\0€"sv}}};
  //                                  base shift ctrl shift+ctrl altgr shift+altgr
  constexpr std::uint8_t kVowel = kCapLok | kCapLokAltGr;
  KeyGroup six{6, {{'E', kVowel, u"eE\0\0éÉ"sv},
                   {'U', kVowel, u"uU\0\0úÚ"sv},
                   {'I', kVowel, u"iI\0\0íÍ"sv},
                   {'O', kVowel, u"oO\0\0óÓ"sv},
                   {'A', kVowel, u"aA\0\0áÁ"sv}}};
  KeyGroup two{2, {{'1', 0, u"1!"sv}, {'3', 0, u"3£"sv}, {'5', 0, u"5%"sv}, {'7', 0, u"7&"sv},
                   {'8', 0, u"8*"sv}, {'9', 0, u"9("sv}, {'0', 0, u"0)"sv}, {vk::OemPlus, 0, u"=+"sv}}};
  AddLetters(two.rows, u"qwrtypsdfghjkl");
  two.rows.insert(two.rows.end(), {{vk::Oem1, 0, u";:"sv}, {vk::Oem3, 0, u"'@"sv}});
  AddLetters(two.rows, u"zxcvbnm");
  two.rows.insert(two.rows.end(),
                  {{vk::OemComma, 0, u",<"sv}, {vk::OemPeriod, 0, u".>"sv}, {vk::Oem2, 0, u"/?"sv}});
  AddKeypadOperators(two.rows, u".."sv);
  t.groups = {three, four, five, six, two, NumpadDigits()};
  return t;
}

LayoutTable MakeGerman() {
  LayoutTable t{"German", "00000407", true, {0, 1, 3, 4, X, X, 2, X}, {}, {},
                Positions({{0x29, vk::Oem5}, {0x0C, vk::Oem4}, {0x0D, vk::Oem6}, {0x15, 'Z'}, {0x1A, vk::Oem1},
                           {0x1B, vk::OemPlus}, {0x2B, vk::Oem2}, {0x27, vk::Oem3}, {0x2C, 'Y'},
                           {0x35, vk::OemMinus}})};
  //                                  base shift altgr
  KeyGroup three{3, {{'3', kCapLok, u"3§³"sv},
                     {'7', kCapLok, u"7/{"sv},
                     {'8', kCapLok, u"8(["sv},
                     {'9', kCapLok, u"9)]"sv},
                     {'0', kCapLok, u"0=}"sv},
                     {vk::Oem4, kCapLok, u"ß?\\"sv},
                     {'Q', kCapLok, u"qQ@"sv},
                     {'E', kCapLok, u"eE€"sv},
                     {'M', kCapLok, u"mMµ"sv},
                     {vk::Oem102, 0, u"<>|"sv}}};
  //                                  base shift altgr ctrl
  KeyGroup four{4, {{vk::Oem1, kCapLok, u"üÜ\0\u001b"sv},
                    {vk::OemPlus, kCapLok, u"+*~\u001d"sv},
                    {vk::Oem2, kCapLok, u"#'\0\u001c"sv}}};
  for (auto& r : ControlKeys(3)) four.rows.push_back(r);
  //                                  base shift altgr ctrl shift+ctrl
  KeyGroup five{5, {{'2', kCapLok, u"2\"²"sv},
                    {'6', kCapLok, u"6&\0\0\u001e"sv},
                    {vk::OemMinus, 0, u"-_\0\0\u001f"sv}}};
  KeyGroup two{2, {{vk::Oem5, 0, u"^°"sv, Dead(0)},
                   {'1', kCapLok, u"1!"sv},
                   {'4', kCapLok, u"4$"sv},
                   {'5', kCapLok, u"5%"sv},
                   {vk::Oem6, 0, u"´`"sv, Dead(0, 1)}}};
  AddLetters(two.rows, u"wrtzuiopasdfghjkl");
  two.rows.insert(two.rows.end(), {{vk::Oem3, kCapLok, u"öÖ"sv}, {vk::Oem7, kCapLok, u"äÄ"sv}});
  AddLetters(two.rows, u"yxcvbn");
  two.rows.insert(two.rows.end(), {{vk::OemComma, kCapLok, u",;"sv}, {vk::OemPeriod, kCapLok, u".:"sv}});
  AddKeypadOperators(two.rows, u",,"sv);
  t.groups = {three, four, five, two, NumpadDigits()};
  AddDeadTrans(t.deadTrans, u'^', u"aeiouAEIOU ", u"âêîôûÂÊÎÔÛ^");
  AddDeadTrans(t.deadTrans, u'´', u"aeiouyAEIOUY ", u"áéíóúýÁÉÍÓÚÝ´");
  AddDeadTrans(t.deadTrans, u'`', u"aeiouAEIOU ", u"àèìòùÀÈÌÒÙ`");
  return t;
}

LayoutTable MakeFrench() {
  LayoutTable t{"French", "0000040C", true, {0, 1, 2, 4, X, X, 3, X}, {}, {},
                Positions({{0x29, vk::Oem7}, {0x0C, vk::Oem4}, {0x10, 'A'}, {0x11, 'Z'}, {0x1A, vk::Oem6},
                           {0x1B, vk::Oem1}, {0x1E, 'Q'}, {0x27, 'M'}, {0x28, vk::Oem3}, {0x2C, 'W'},
                           {0x32, vk::OemComma}, {0x33, vk::OemPeriod}, {0x34, vk::Oem2}, {0x35, vk::Oem8}})};
  //                                  base shift ctrl
  KeyGroup three{3, {{vk::Oem6, kCapLok, u"^¨\u001b"sv, Dead(0, 1)},
                     {vk::Oem5, kCapLok, u"*µ\u001c"sv},
                     {vk::Oem102, 0, u"<>\u001c"sv}}};
  for (auto& r : ControlKeys(2)) three.rows.push_back(r);
  //                                  base shift ctrl altgr (Ctrl on the 0 key is NUL, left out)
  KeyGroup four{4, {{'2', kCapLok, u"é2\0~"sv, Dead(3)},
                    {'3', kCapLok, u"\"3\0#"sv},
                    {'4', kCapLok, u"'4\0{"sv},
                    {'7', kCapLok, u"è7\0`"sv, Dead(3)},
                    {'0', kCapLok, u"à0\0@"sv},
                    {vk::Oem4, kCapLok, u")°\0]"sv},
                    {vk::OemPlus, kCapLok, u"=+\0}"sv},
                    {'E', kCapLok, u"eE\0€"sv},
                    {vk::Oem1, kCapLok, u"$£\u001d¤"sv}}};
  //                                  base shift ctrl altgr shift+ctrl
  KeyGroup five{5, {{'5', kCapLok, u"(5\0[\u001b"sv},
                    {'6', kCapLok, u"-6\0|\u001f"sv},
                    {'8', kCapLok, u"_8\0\\\u001c"sv},
                    {'9', kCapLok, u"ç9\0^\u001e"sv}}};
  KeyGroup two{2, {{vk::Oem7, 0, u"²"sv}, {'1', kCapLok, u"&1"sv}}};
  AddLetters(two.rows, u"azrtyuiopqsdfghjklm");
  two.rows.push_back({vk::Oem3, kCapLok, u"ù%"sv});
  AddLetters(two.rows, u"wxcvbn");
  two.rows.insert(two.rows.end(), {{vk::OemComma, kCapLok, u",?"sv},
                                   {vk::OemPeriod, kCapLok, u";."sv},
                                   {vk::Oem2, kCapLok, u":/"sv},
                                   {vk::Oem8, kCapLok, u"!§"sv}});
  AddKeypadOperators(two.rows, u".."sv);
  t.groups = {three, four, five, two, NumpadDigits()};
  AddDeadTrans(t.deadTrans, u'^', u"aeiouAEIOU ", u"âêîôûÂÊÎÔÛ^");
  AddDeadTrans(t.deadTrans, u'¨', u"aeiouyAEIOU ", u"äëïöüÿÄËÏÖÜ¨");
  AddDeadTrans(t.deadTrans, u'~', u"aAnNoO ", u"ãÃñÑõÕ~");
  AddDeadTrans(t.deadTrans, u'`', u"aeiouAEIOU ", u"àèìòùÀÈÌÒÙ`");
  return t;
}

LayoutTable MakeSwissGerman() {
  LayoutTable t{"Swiss German", "00000807", true, {0, 1, 3, 4, X, X, 2, X}, {}, {},
                Positions({{0x0C, vk::Oem4}, {0x0D, vk::Oem6}, {0x15, 'Z'}, {0x1A, vk::Oem1}, {0x1B, vk::Oem3},
                           {0x27, vk::Oem7}, {0x28, vk::Oem5}, {0x29, vk::Oem2}, {0x2B, vk::Oem8}, {0x2C, 'Y'},
                           {0x35, vk::OemMinus}})};
  //                                  base shift altgr
  KeyGroup three{3, {{'1', 0, u"1+¦"sv},
                     {'3', 0, u"3*#"sv},
                     {'4', 0, u"4ç°"sv},
                     {'5', 0, u"5%§"sv},
                     {'7', 0, u"7/|"sv},
                     {'8', 0, u"8(¢"sv},
                     {vk::Oem4, 0, u"'?´"sv, Dead(2)},
                     {vk::Oem6, 0, u"^`~"sv, Dead(0, 1, 2)},
                     {'E', kCapLok, u"eE€"sv},
                     {vk::Oem5, kSgCaps, u"äà{"sv, 0, u"ÄÀ"sv},
                     {vk::Oem102, 0, u"<>\\"sv}}};
  //                                  base shift altgr ctrl
  KeyGroup four{4, {{vk::Oem1, kSgCaps, u"üè[\u001b"sv, 0, u"ÜÈ"sv},
                    {vk::Oem3, 0, u"¨!]\u001d"sv, Dead(0)},
                    {vk::Oem8, 0, u"$£}\u001c"sv}}};
  for (auto& r : ControlKeys(3)) four.rows.push_back(r);
  //                                  base shift altgr ctrl shift+ctrl
  KeyGroup five{5, {{'2', 0, u"2\"@"sv},
                    {'6', 0, u"6&¬\0\u001e"sv},
                    {vk::OemMinus, 0, u"-_\0\0\u001f"sv}}};
  KeyGroup two{2, {{vk::Oem2, 0, u"§°"sv}, {'9', 0, u"9)"sv}, {'0', 0, u"0="sv}}};
  AddLetters(two.rows, u"qwrtzuiopasdfghjkl");
  two.rows.push_back({vk::Oem7, kSgCaps, u"öé"sv, 0, u"ÖÉ"sv});
  AddLetters(two.rows, u"yxcvbnm");
  two.rows.insert(two.rows.end(), {{vk::OemComma, 0, u",;"sv}, {vk::OemPeriod, 0, u".:"sv}});
  AddKeypadOperators(two.rows, u".."sv);
  t.groups = {three, four, five, two, NumpadDigits()};
  AddDeadTrans(t.deadTrans, u'^', u"aeiouAEIOU ", u"âêîôûÂÊÎÔÛ^");
  AddDeadTrans(t.deadTrans, u'´', u"aeiouyAEIOUY ", u"áéíóúýÁÉÍÓÚÝ´");
  AddDeadTrans(t.deadTrans, u'`', u"aeiouAEIOU ", u"àèìòùÀÈÌÒÙ`");
  AddDeadTrans(t.deadTrans, u'¨', u"aeiouyAEIOU ", u"äëïöüÿÄËÏÖÜ¨");
  AddDeadTrans(t.deadTrans, u'~', u"anoANO ", u"ãñõÃÑÕ~");
  return t;
}

// Each table is built once, on first use.
template <LayoutTable (*Make)()>
const LayoutTable& Built() {
  static const LayoutTable table = Make();
  return table;
}

}  // namespace

const LayoutTable& UsLayout() { return Built<MakeUs>(); }
const LayoutTable& UkLayout() { return Built<MakeUk>(); }
const LayoutTable& GermanLayout() { return Built<MakeGerman>(); }
const LayoutTable& FrenchLayout() { return Built<MakeFrench>(); }
const LayoutTable& SwissGermanLayout() { return Built<MakeSwissGerman>(); }
const std::vector<const LayoutTable*>& AllLayouts() {
  static const std::vector<const LayoutTable*> all = {&UsLayout(), &UkLayout(), &GermanLayout(), &FrenchLayout(),
                                                      &SwissGermanLayout()};
  return all;
}

std::string KeyName(std::uint8_t key) {
  static const struct {
    std::uint8_t vk;
    const char* name;
  } kNames[] = {
      {vk::Back, "Backspace"}, {vk::Tab, "Tab"},        {vk::Return, "Enter"},    {vk::Escape, "Esc"},
      {vk::Space, "Space"},    {vk::Prior, "PgUp"},     {vk::Next, "PgDn"},       {vk::End, "End"},
      {vk::Home, "Home"},      {vk::Left, "Left"},      {vk::Up, "Up"},           {vk::Right, "Right"},
      {vk::Down, "Down"},      {vk::Insert, "Ins"},     {vk::Delete, "Del"},      {vk::LWin, "LWin"},
      {vk::RWin, "RWin"},      {vk::Capital, "CapsLock"}, {vk::Cancel, "Break"},  {vk::Shift, "Shift"},
      {vk::Control, "Ctrl"},   {vk::Menu, "Alt"},       {vk::LShift, "LShift"},   {vk::RShift, "RShift"},
      {vk::LControl, "LCtrl"}, {vk::RControl, "RCtrl"}, {vk::LMenu, "LAlt"},      {vk::RMenu, "RAlt"},
      {vk::Multiply, "Num*"},  {vk::Add, "Num+"},       {vk::Subtract, "Num-"},   {vk::Decimal, "Num."},
      {vk::Divide, "Num/"},
  };
  for (const auto& n : kNames) {
    if (n.vk == key) return n.name;
  }
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= vk::F1 && key < vk::F1 + 24) return "F" + std::to_string(key - vk::F1 + 1);
  if (key >= vk::Numpad0 && key <= vk::Numpad0 + 9) return "Num" + std::to_string(key - vk::Numpad0);
  static constexpr char kHex[] = "0123456789ABCDEF";
  return std::string("VK_") + kHex[key >> 4] + kHex[key & 15];
}

}  // namespace tolvane::test
