#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <variant>

#include "tests/support/TableLayout.h"
#include "tests/support/TypingSimulator.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

// Modifiers in VkKeyScanEx's answer; AltGr for Translate.
constexpr int S = kModShift << 8, C = kModCtrl << 8, G = (kModCtrl | kModAlt) << 8;
constexpr std::uint8_t kAltGr = kModCtrl | kModAlt;

TEST(PublishedLayouts, KeysCharactersAndScanCodesAgreeAsOnWindows) {
  const std::u16string_view kAsciiOnlyThroughDeadKeys[] = {u"", u"", u"^`", u"^`~", u"^`~"};
  const std::set<std::uint8_t> extended = {
      vk::RControl, vk::RMenu, vk::LWin,   vk::RWin,   vk::Home,   vk::End,
      vk::Prior,    vk::Next,  vk::Left,   vk::Right,  vk::Up,     vk::Down,
      vk::Insert,   vk::Delete, vk::Divide, vk::Cancel, 0x90 /* Num Lock */};
  const std::map<char16_t, int> kControls = {{0x1B, vk::Escape}, {u'\r', vk::Return},
                                             {u'\t', vk::Tab},   {u'\b', vk::Back},
                                             {0x7F, C | vk::Back}, {0x01, C | 'A'}};
  for (std::size_t n = 0; n < AllLayouts().size(); ++n) {
    const LayoutTable& t = *AllLayouts()[n];
    SCOPED_TRACE(t.name);
    const TableLayout layout(t);
    // Every character comes back from the key VkKeyScanEx names.
    std::set<char16_t> characters;
    for (char16_t c = 1; c <= 0xFF; ++c) characters.insert(c);
    for (const KeyRow& r : t.rows) characters.insert(r.chars.begin(), r.chars.end());
    characters.erase(0);
    std::u16string onlyThroughDeadKeys;
    for (const char16_t c : characters) {
      const std::int16_t answer = layout.VkKeyScanEx(c);
      EXPECT_TRUE(answer != -1 || c >= 0x80) << "no key for ASCII " << int{c};
      if (answer == -1) continue;
      const auto key = static_cast<std::uint8_t>(answer & 0xFF);
      const auto modifiers = static_cast<std::uint8_t>(answer >> 8);
      const KeyResult r = layout.Translate(key, modifiers, false);
      // A Swiss German umlaut key holds its capital in a Caps Lock row that VkKeyScanEx finds.
      EXPECT_EQ(r.ch == c ? c : layout.Translate(key, modifiers, true).ch, c) << int{c};
      if (r.dead && c < 0x80) onlyThroughDeadKeys += c;
      EXPECT_TRUE(!r.dead || layout.Combine(c, u' ') == c) << "a blank after an accent types it";
    }
    EXPECT_EQ(onlyThroughDeadKeys, kAsciiOnlyThroughDeadKeys[n]);
    for (const auto& [c, answer] : kControls) EXPECT_EQ(layout.VkKeyScanEx(c), answer) << int{c};

    // Letters sit on their own keys; Caps Lock shifts them and gives way to Ctrl and Alt.
    for (const KeyRow& r : t.rows) {
      const std::u16string letter{static_cast<char16_t>(r.vk + 0x20), r.vk};
      EXPECT_TRUE(r.vk < 'A' || r.vk > 'Z' || r.chars.substr(0, 2) == letter) << KeyName(r.vk);
      EXPECT_NE(layout.ScanCode(r.vk), 0) << KeyName(r.vk);
      const char16_t small = r.chars[0];
      const bool latin1Small = (small >= u'a' && small <= u'z') || (small >= 0xE0 && small != 0xF7);
      if (latin1Small && r.chars.size() > 1 && r.chars[1] == small - 0x20) {
        EXPECT_EQ(layout.Translate(r.vk, 0, true).ch, r.chars[1]) << KeyName(r.vk);
        EXPECT_EQ(layout.Translate(r.vk, kModShift, true).ch, small) << KeyName(r.vk);
      }
    }
    EXPECT_EQ(layout.Translate('A', kModCtrl, true).ch, 0x01);
    EXPECT_EQ(layout.Translate('A', kModAlt, false).ch, u'a') << "Alt alone, as ToUnicodeEx";
    EXPECT_EQ(layout.Translate(vk::Left, 0, false).ch, 0);

    // Scan codes are unique, and extended where Windows says so; the generic keys share the
    // left keys' codes, and Clear is the keypad 5 without Num Lock.
    std::map<std::uint16_t, std::uint8_t> byScan;
    for (const auto& [key, scan] : t.scanCodes) {
      EXPECT_EQ(scan > 0xFF, extended.count(key) == 1) << KeyName(key);
      if (key == vk::Shift || key == vk::Control || key == vk::Menu || key == 0x0C) continue;
      EXPECT_TRUE(byScan.insert({scan, key}).second) << KeyName(key) << " shares a scan code";
    }
  }
}

struct Press {
  std::uint8_t key, modifiers = 0;
  bool capsLock = false;
};

// The layouts' famous keys: VkKeyScanEx's answers for chars, the scan codes of keys, and what
// presses type (a 'd' in dead marks a dead key).
void ExpectKeys(const LayoutTable& t, std::u16string_view chars, std::vector<int> answers,
                std::map<std::uint8_t, int> scans, std::vector<Press> presses,
                std::u16string_view typed, std::string_view dead = "") {
  SCOPED_TRACE(t.name);
  const TableLayout layout(t);
  ASSERT_EQ(chars.size(), answers.size());
  for (std::size_t i = 0; i < chars.size(); ++i)
    EXPECT_EQ(layout.VkKeyScanEx(chars[i]), answers[i]) << int{chars[i]};
  for (const auto& [key, scan] : scans) EXPECT_EQ(layout.ScanCode(key), scan) << KeyName(key);
  ASSERT_EQ(presses.size(), typed.size());
  for (std::size_t i = 0; i < presses.size(); ++i) {
    const KeyResult r = layout.Translate(presses[i].key, presses[i].modifiers, presses[i].capsLock);
    EXPECT_EQ(r.ch, typed[i]) << "press " << i;
    EXPECT_EQ(r.dead, i < dead.size() && dead[i] == 'd') << "press " << i;
  }
}

TEST(PublishedLayouts, FamousKeys) {
  EXPECT_EQ(TableLayout(UsLayout()).Translate('Q', kAltGr, false).ch, 0) << "no AltGr on US";
  ExpectKeys(UkLayout(), u"\"@'#~\\`£€¦",
             {S | '2', S | vk::Oem3, vk::Oem3, vk::Oem7, S | vk::Oem7, vk::Oem5, vk::Oem8, S | '3',
              G | '4', G | vk::Oem8},
             {{vk::Oem3, 0x28}, {vk::Oem7, 0x2B}, {vk::Oem5, 0x56}},
             {{'E', kAltGr}, {'E', kAltGr, true}, {'4', kAltGr, true}}, u"éÉ€");
  ExpectKeys(GermanLayout(), u"z@{[]}\\~|^´`é",
             {'Z', G | 'Q', G | '7', G | '8', G | '9', G | '0', G | vk::Oem4, G | vk::OemPlus,
              G | vk::Oem102, vk::Oem5, vk::Oem6, S | vk::Oem6, -1},
             {{'Z', 0x15}, {'Y', 0x2C}},
             {{vk::Oem4}, {vk::OemPlus}, {vk::Oem6}, {vk::Oem6, kModShift}, {vk::Oem5},
              {vk::Oem5, kModShift}, {'1', 0, true}, {vk::OemMinus, 0, true}, {vk::Oem1, 0, true}},
             u"ß+´`^°!-Ü", "..ddd");
  const TableLayout fr(FrenchLayout());
  for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
    EXPECT_EQ(fr.VkKeyScanEx(digit), S | digit) << "French digits need Shift";
    EXPECT_EQ(fr.Translate(static_cast<std::uint8_t>(digit), 0, true).ch, digit) << "or Caps Lock";
  }
  ExpectKeys(FrenchLayout(), u"m@^~`¨", {'M', G | '0', vk::Oem6, G | '2', G | '7', S | vk::Oem6},
             {{'A', 0x10}, {'Q', 0x1E}, {'Z', 0x11}, {'W', 0x2C}, {'M', 0x27}},
             {{'9', kAltGr}, {'2', kAltGr}, {vk::Oem3, 0, true}, {'2', kAltGr, true}}, u"^~%~",
             ".d.d");
  ExpectKeys(SwissGermanLayout(), u"z@^`~´¨!\\|$ÜÈÖÉÄÀ",
             {'Z', G | '2', vk::Oem6, S | vk::Oem6, G | vk::Oem6, G | vk::Oem4, vk::Oem3,
              S | vk::Oem3, G | vk::Oem102, G | '7', vk::Oem8, vk::Oem1, S | vk::Oem1, vk::Oem7,
              S | vk::Oem7, vk::Oem5, S | vk::Oem5},
             {{'Z', 0x15}, {'Y', 0x2C}},
             {{vk::Oem1}, {vk::Oem1, kModShift}, {vk::Oem1, 0, true}, {vk::Oem1, kModShift, true},
              {vk::Oem7}, {vk::Oem7, kModShift}, {vk::Oem7, 0, true}, {vk::Oem7, kModShift, true},
              {vk::Oem5}, {vk::Oem5, kModShift}, {vk::Oem5, 0, true}, {vk::Oem5, kModShift, true},
              {vk::Oem1, kAltGr, true}, {vk::Oem1, kModCtrl, true}},
             u"üèÜÈöéÖÉäàÄÀ[\x1b");
}

// Key events with the layout's scan codes, from tokens: a key is tapped, with kDown or kUp only
// pressed or released; kUnicode | unit types the unit as a Unicode event; a KeyInput goes as it is.
enum : int { kDown = 1 << 16, kUp = 1 << 17, kUnicode = 1 << 18 };

std::vector<KeyInput> Events(const LayoutTable& table,
                             const std::vector<std::variant<int, KeyInput>>& tokens) {
  const TableLayout layout(table);
  std::vector<KeyInput> out;
  for (const auto& token : tokens) {
    if (std::holds_alternative<KeyInput>(token)) {
      out.push_back(std::get<KeyInput>(token));
      continue;
    }
    const int t = std::get<int>(token);
    const auto key = static_cast<std::uint8_t>(t & 0xFF);
    const std::uint16_t scan = layout.ScanCode(key);
    for (const bool up : {false, true}) {
      if (t & kUnicode)
        out.push_back({0, static_cast<std::uint16_t>(t & 0xFFFF), up, false, true});
      else if (!(t & (up ? kDown : kUp)))
        out.push_back({key, static_cast<std::uint16_t>(scan & 0xFF), up, scan > 0xFF, false});
    }
  }
  return out;
}

TEST(TypingSimulator, FaultsNameWhatABatchLeftWrong) {
  const TableLayout de(GermanLayout());
  TypingSimulator sim(de, false);
  sim.Type(Events(GermanLayout(),
                  {kUp | 'B', kDown | 'C', kDown | 'C', kUp | 'C', vk::Capital,
                   KeyInput{vk::Left, 0x4B}, kUp | vk::Left,          // not extended
                   vk::Oem102, KeyInput{0, u'x', true, false, true},  // Unicode up alone
                   vk::Oem6, kUnicode | u'e', vk::Oem8, vk::Oem5, kDown | vk::LShift}));
  EXPECT_THAT(sim.Faults(), ElementsAre("B released without a press", "C pressed again while down",
                                        "Left sent with scan 0x4B, the layout has 0xE04B",
                                        "Unicode 0x0078 released without a press",
                                        "Unicode 0x0065 typed while dead key 0x00B4 waits",
                                        "VK_DF is not a key of the German layout",
                                        "VK_DF is not a key of the German layout",
                                        "LShift left down at the end of the batch",
                                        "Caps Lock turned on",
                                        "dead key 0x005E still waiting at the end"));
  EXPECT_EQ(sim.Text(), u"cc<´e");
  EXPECT_THAT(sim.Events(), ElementsAre("Left", "VK_DF"));

  // The state carries from one batch to the next.
  const TableLayout uk(UkLayout());
  TypingSimulator next(uk, false);
  next.Type(Events(UkLayout(), {kDown | vk::LShift, '2'}));
  EXPECT_THAT(next.Faults(), ElementsAre("LShift left down at the end of the batch"));
  next.Type(Events(UkLayout(), {'2', kUp | vk::LShift, '2'}));
  EXPECT_EQ(next.Text(), u"\"\"2");
  EXPECT_EQ(next.Faults().size(), 1u);
}

}  // namespace
}  // namespace tolvane::test
