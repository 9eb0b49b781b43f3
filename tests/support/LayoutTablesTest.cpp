#include "tests/support/LayoutTables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "tests/support/TableLayout.h"

namespace tolvane::test {

// Names the layout in the messages of parameterised tests.
void PrintTo(const LayoutTable* t, std::ostream* os) { *os << t->name; }

namespace {

constexpr int kShift = kModShift << 8;
constexpr int kAltGr = (kModCtrl | kModAlt) << 8;
constexpr std::uint8_t kCtrlAlt = kModCtrl | kModAlt;

// Latin-1 letters by code point: the first accented form of a base letter and the accents in
// Unicode's order from there; the small letters sit 0x20 above.
char16_t Compose(char16_t accent, char16_t base) {
  static const struct {
    char16_t base;
    char16_t first;
    std::u16string_view accents;
  } kLetters[] = {{u'A', 0xC0, u"`´^~¨"}, {u'E', 0xC8, u"`´^¨"}, {u'I', 0xCC, u"`´^¨"}, {u'O', 0xD2, u"`´^~¨"},
                  {u'U', 0xD9, u"`´^¨"},  {u'N', 0xD1, u"~"},    {u'Y', 0xDD, u"´"}};
  if (base == u'y' && accent == u'¨') return 0xFF;
  const bool small = base >= u'a' && base <= u'z';
  const char16_t capital = small ? static_cast<char16_t>(base - 0x20) : base;
  for (const auto& l : kLetters) {
    const std::size_t i = l.accents.find(accent);
    if (l.base == capital && i != std::u16string_view::npos) {
      return static_cast<char16_t>(l.first + i + (small ? 0x20 : 0));
    }
  }
  return 0;
}

char16_t Latin1Capital(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
  return c;
}

bool IsLatin1Capital(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); }

std::set<char16_t> Accents(const LayoutTable& t) {
  std::set<char16_t> accents;
  for (const KeyGroup& g : t.groups) {
    for (const KeyRow& r : g.rows) {
      for (std::size_t i = 0; i < r.chars.size(); ++i) {
        if ((r.deadColumns >> i) & 1) accents.insert(r.chars[i]);
      }
    }
  }
  return accents;
}

// What the five layouts are expected to hold, by name.
const std::map<std::string_view, std::u16string_view> kAsciiOnlyThroughDeadKeys = {
    {"US", u""}, {"United Kingdom", u""}, {"German", u"^`"}, {"French", u"^`~"}, {"Swiss German", u"^`~"}};

class EveryLayout : public ::testing::TestWithParam<const LayoutTable*> {
 protected:
  const LayoutTable& table() const { return *GetParam(); }
  TableLayout layout{*GetParam()};
};

TEST_P(EveryLayout, RowsFitTheirTables) {
  EXPECT_EQ(table().modificationNumber[0], 0);
  EXPECT_EQ(table().modificationNumber[kModShift], 1);
  for (const KeyGroup& g : table().groups) {
    for (const KeyRow& r : g.rows) {
      SCOPED_TRACE(KeyName(r.vk));
      EXPECT_LE(r.chars.size(), g.modifications);
      EXPECT_LT(r.deadColumns, 1u << g.modifications);
      EXPECT_EQ(r.capsChars.size(), (r.attributes & kSgCaps) ? 2u : 0u);
      EXPECT_EQ(layout.Find(r.vk).row, &r) << "the key has a second row";
    }
  }
}

TEST_P(EveryLayout, EachCharacterComesBackFromTheKeyVkKeyScanExNames) {
  std::set<char16_t> characters;
  for (char16_t c = 1; c < 0x20; ++c) characters.insert(c);
  for (char16_t c = 0x20; c < 0x7F; ++c) characters.insert(c);
  for (char16_t c = 0x7F; c <= 0xFF; ++c) characters.insert(c);
  for (const KeyGroup& g : table().groups) {
    for (const KeyRow& r : g.rows) {
      characters.insert(r.chars.begin(), r.chars.end());
      characters.insert(r.capsChars.begin(), r.capsChars.end());
    }
  }
  characters.erase(0);
  std::u16string onlyThroughDeadKeys;
  for (char16_t c : characters) {
    const std::int16_t answer = layout.VkKeyScanEx(c);
    if (answer == -1) {
      EXPECT_TRUE(c >= 0x80) << "no key for ASCII " << int{c};
      continue;
    }
    SCOPED_TRACE("character " + std::to_string(c) + ", key " + std::to_string(answer));
    const auto key = static_cast<std::uint8_t>(answer & 0xFF);
    const auto modifiers = static_cast<std::uint8_t>(answer >> 8);
    EXPECT_NE(layout.ScanCode(key), 0);
    const KeyResult r = layout.Translate(key, modifiers, false);
    if (r.dead) {
      EXPECT_EQ(r.ch, c);
      EXPECT_EQ(layout.Combine(r.ch, u' '), c) << "a blank after the dead key types its accent";
      if (c < 0x80) onlyThroughDeadKeys += c;
    } else if (r.ch != c) {
      // A Swiss German umlaut key holds its capital in a Caps Lock row that VkKeyScanEx finds.
      EXPECT_TRUE(layout.Find(key).row->attributes & kSgCaps);
      EXPECT_EQ(layout.Translate(key, modifiers, true).ch, c);
    }
  }
  EXPECT_EQ(onlyThroughDeadKeys, kAsciiOnlyThroughDeadKeys.at(table().name));
}

TEST_P(EveryLayout, DeadKeysCombineIntoTheLatin1Letters) {
  const std::set<char16_t> accents = Accents(table());
  std::set<std::pair<char16_t, char16_t>> seen;
  for (const DeadTrans& d : table().deadTrans) {
    SCOPED_TRACE(std::to_string(d.accent) + " + " + std::to_string(d.base));
    EXPECT_TRUE(accents.count(d.accent)) << "no dead key has this accent";
    EXPECT_TRUE(seen.insert({d.accent, d.base}).second) << "combined twice";
    EXPECT_EQ(d.result, d.base == u' ' ? d.accent : Compose(d.accent, d.base));
  }
  // Every Latin-1 letter made of one of the layout's accents can be typed with it.
  for (char16_t accent : accents) {
    EXPECT_TRUE(seen.count({accent, u' '})) << "no blank combination for " << int{accent};
    for (char16_t base = u'A'; base <= u'z'; ++base) {
      if (Compose(accent, base) != 0) {
        EXPECT_TRUE(seen.count({accent, base})) << int{accent} << " + " << char(base);
      }
    }
  }
}

TEST_P(EveryLayout, CapsLockAndShiftGiveTheSameCapitals) {
  for (const KeyGroup& g : table().groups) {
    for (const KeyRow& r : g.rows) {
      SCOPED_TRACE(KeyName(r.vk));
      if (r.vk >= 'A' && r.vk <= 'Z') {
        EXPECT_TRUE(r.attributes & kCapLok);
        EXPECT_EQ(r.chars.substr(0, 2), (std::u16string{static_cast<char16_t>(r.vk + 0x20), r.vk}));
      }
      // Caps Lock is Shift on such a key, so a capital under Shift is the base letter's capital.
      if ((r.attributes & kCapLok) && r.chars.size() > 1 && IsLatin1Capital(r.chars[1])) {
        EXPECT_EQ(r.chars[1], Latin1Capital(r.chars[0]));
      }
      if (r.attributes & kSgCaps) {
        EXPECT_EQ(r.capsChars[0], Latin1Capital(r.chars[0]));
        EXPECT_EQ(r.capsChars[1], Latin1Capital(r.chars[1]));
      }
      if (r.attributes & kCapLokAltGr) {
        const auto altGr = static_cast<std::size_t>(table().modificationNumber[kCtrlAlt]);
        const auto shiftAltGr = static_cast<std::size_t>(table().modificationNumber[kCtrlAlt | kModShift]);
        EXPECT_EQ(r.chars[shiftAltGr], Latin1Capital(r.chars[altGr]));
      }
    }
  }
}

TEST_P(EveryLayout, ScanCodesAreUniqueAndExtendedWhereWindowsSaysSo) {
  const std::set<std::uint8_t> generic = {vk::Shift, vk::Control, vk::Menu};
  const std::set<std::uint8_t> extended = {vk::RControl, vk::RMenu, vk::LWin, vk::RWin, vk::Home,   vk::End,
                                           vk::Prior,    vk::Next,  vk::Left, vk::Right, vk::Up,    vk::Down,
                                           vk::Insert,   vk::Delete, vk::Divide, vk::Cancel, 0x90 /* Num Lock */};
  std::map<std::uint16_t, std::uint8_t> byScan;
  for (const KeyPosition& p : table().positions) {
    SCOPED_TRACE(KeyName(p.vk));
    EXPECT_EQ(p.extended, extended.count(p.vk) == 1);
    // The generic key shares the left key's scan code; Clear is the keypad 5 without Num Lock.
    if (generic.count(p.vk) || p.vk == 0x0C) continue;
    const auto [it, fresh] = byScan.insert({layout.ScanCode(p.vk), p.vk});
    EXPECT_TRUE(fresh) << "scan code shared with " << KeyName(it->second);
  }
  for (std::uint8_t key : {vk::Shift, vk::Control, vk::Menu}) {
    EXPECT_EQ(layout.ScanCode(key), layout.ScanCode(static_cast<std::uint8_t>(vk::LShift + 2 * (key - vk::Shift))));
  }
  // Every key of the character tables is on the keyboard.
  for (const KeyGroup& g : table().groups) {
    for (const KeyRow& r : g.rows) EXPECT_NE(layout.ScanCode(r.vk), 0) << KeyName(r.vk);
  }
}

TEST_P(EveryLayout, CapsLockGivesWayToCtrlAndAlt) {
  // The letter A is on every layout; Ctrl and Ctrl+Alt ignore Caps Lock on it.
  EXPECT_EQ(layout.Translate('A', 0, true).ch, u'A');
  EXPECT_EQ(layout.Translate('A', kModShift, true).ch, u'a');
  EXPECT_EQ(layout.Translate('A', kModCtrl, true).ch, 0x01);
  EXPECT_EQ(layout.Translate('A', kModAlt, false).ch, u'a') << "Alt alone is ignored, as ToUnicodeEx does";
  EXPECT_EQ(layout.VkKeyScanEx(0x1B), vk::Escape);
  EXPECT_EQ(layout.VkKeyScanEx(u'\r'), vk::Return);
  EXPECT_EQ(layout.VkKeyScanEx(u'\t'), vk::Tab);
  EXPECT_EQ(layout.VkKeyScanEx(u'\b'), vk::Back);
  EXPECT_EQ(layout.VkKeyScanEx(0x7F), (kModCtrl << 8) | vk::Back);
  EXPECT_EQ(layout.VkKeyScanEx(0x01), (kModCtrl << 8) | 'A');
  EXPECT_EQ(layout.Translate(vk::Left, 0, false).ch, 0);
}

std::string LayoutName(const ::testing::TestParamInfo<const LayoutTable*>& info) {
  std::string name;
  for (char c : info.param->name) {
    if (c != ' ') name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(PublishedLayouts, EveryLayout, ::testing::ValuesIn(AllLayouts()), LayoutName);

TEST(UsLayout, HasNoAltGr) {
  const TableLayout us(UsLayout());
  EXPECT_EQ(us.Translate('Q', kCtrlAlt, false).ch, 0) << "no AltGr on the US layout";
}

TEST(UkLayout, MovesQuoteAtHashAndBackslash) {
  const TableLayout uk(UkLayout());
  EXPECT_EQ(uk.VkKeyScanEx(u'"'), kShift | '2');
  EXPECT_EQ(uk.VkKeyScanEx(u'@'), kShift | vk::Oem3);
  EXPECT_EQ(uk.VkKeyScanEx(u'\''), vk::Oem3);
  EXPECT_EQ(uk.ScanCode(vk::Oem3), 0x28);
  EXPECT_EQ(uk.VkKeyScanEx(u'#'), vk::Oem7);
  EXPECT_EQ(uk.VkKeyScanEx(u'~'), kShift | vk::Oem7);
  EXPECT_EQ(uk.ScanCode(vk::Oem7), 0x2B);
  EXPECT_EQ(uk.VkKeyScanEx(u'\\'), vk::Oem5);
  EXPECT_EQ(uk.ScanCode(vk::Oem5), 0x56);
  EXPECT_EQ(uk.VkKeyScanEx(u'`'), vk::Oem8);
  EXPECT_EQ(uk.VkKeyScanEx(u'£'), kShift | '3');
  EXPECT_EQ(uk.VkKeyScanEx(u'€'), kAltGr | '4');
  EXPECT_EQ(uk.VkKeyScanEx(u'¦'), kAltGr | vk::Oem8);
  EXPECT_EQ(uk.Translate('E', kCtrlAlt, false).ch, u'é');
  EXPECT_EQ(uk.Translate('E', kCtrlAlt, true).ch, u'É');
  EXPECT_EQ(uk.Translate('4', kCtrlAlt, true).ch, u'€');
}

TEST(GermanLayout, SwapsYAndZAndPutsBracketsOnAltGr) {
  const TableLayout de(GermanLayout());
  EXPECT_EQ(de.VkKeyScanEx(u'z'), 'Z');
  EXPECT_EQ(de.ScanCode('Z'), 0x15) << "the key of the US Y";
  EXPECT_EQ(de.ScanCode('Y'), 0x2C) << "the key of the US Z";
  EXPECT_EQ(de.VkKeyScanEx(u'@'), kAltGr | 'Q');
  EXPECT_EQ(de.VkKeyScanEx(u'{'), kAltGr | '7');
  EXPECT_EQ(de.VkKeyScanEx(u'['), kAltGr | '8');
  EXPECT_EQ(de.VkKeyScanEx(u']'), kAltGr | '9');
  EXPECT_EQ(de.VkKeyScanEx(u'}'), kAltGr | '0');
  EXPECT_EQ(de.VkKeyScanEx(u'\\'), kAltGr | vk::Oem4);
  EXPECT_EQ(de.Translate(vk::Oem4, 0, false).ch, u'ß');
  EXPECT_EQ(de.VkKeyScanEx(u'~'), kAltGr | vk::OemPlus);
  EXPECT_EQ(de.Translate(vk::OemPlus, 0, false).ch, u'+');
  EXPECT_EQ(de.VkKeyScanEx(u'|'), kAltGr | vk::Oem102);
  EXPECT_EQ(de.VkKeyScanEx(u'^'), vk::Oem5);
  EXPECT_EQ(de.VkKeyScanEx(u'´'), vk::Oem6);
  EXPECT_EQ(de.VkKeyScanEx(u'`'), kShift | vk::Oem6);
  EXPECT_TRUE(de.Translate(vk::Oem6, 0, false).dead);
  EXPECT_TRUE(de.Translate(vk::Oem6, kModShift, false).dead);
  EXPECT_TRUE(de.Translate(vk::Oem5, 0, false).dead);
  EXPECT_FALSE(de.Translate(vk::Oem5, kModShift, false).dead) << "Shift gives the degree sign";
  EXPECT_EQ(de.VkKeyScanEx(u'é'), -1);
  EXPECT_EQ(de.Combine(u'´', u'e'), u'é');
  EXPECT_EQ(de.Translate('1', 0, true).ch, u'!') << "Caps Lock shifts the digits of the German layout";
  EXPECT_EQ(de.Translate(vk::OemMinus, 0, true).ch, u'-');
  EXPECT_EQ(de.Translate(vk::Oem1, 0, true).ch, u'Ü');
}

TEST(FrenchLayout, NeedsShiftForDigitsAndSwapsLetters) {
  const TableLayout fr(FrenchLayout());
  const TableLayout us(UsLayout());
  for (char digit = '0'; digit <= '9'; ++digit) {
    EXPECT_EQ(fr.VkKeyScanEx(static_cast<char16_t>(digit)), kShift | digit);
    EXPECT_EQ(fr.Translate(static_cast<std::uint8_t>(digit), 0, true).ch, digit) << "Caps Lock gives the digit";
  }
  EXPECT_EQ(fr.ScanCode('A'), us.ScanCode('Q'));
  EXPECT_EQ(fr.ScanCode('Q'), us.ScanCode('A'));
  EXPECT_EQ(fr.ScanCode('Z'), us.ScanCode('W'));
  EXPECT_EQ(fr.ScanCode('W'), us.ScanCode('Z'));
  EXPECT_EQ(fr.ScanCode('M'), us.ScanCode(vk::Oem1));
  EXPECT_EQ(fr.VkKeyScanEx(u'm'), 'M');
  EXPECT_EQ(fr.VkKeyScanEx(u'@'), kAltGr | '0');
  EXPECT_EQ(fr.VkKeyScanEx(u'^'), vk::Oem6) << "the dead key comes before AltGr+9";
  EXPECT_EQ(fr.Translate('9', kCtrlAlt, false).ch, u'^');
  EXPECT_FALSE(fr.Translate('9', kCtrlAlt, false).dead);
  EXPECT_EQ(fr.VkKeyScanEx(u'~'), kAltGr | '2');
  EXPECT_TRUE(fr.Translate('2', kCtrlAlt, false).dead);
  EXPECT_EQ(fr.VkKeyScanEx(u'`'), kAltGr | '7');
  EXPECT_EQ(fr.VkKeyScanEx(u'¨'), kShift | vk::Oem6);
  EXPECT_EQ(fr.Translate(vk::Oem3, 0, true).ch, u'%');
  EXPECT_EQ(fr.Translate('2', kCtrlAlt, true).ch, u'~') << "Caps Lock leaves AltGr alone";
}

TEST(SwissGermanLayout, GivesCapitalUmlautsOnlyWithCapsLock) {
  const TableLayout ch(SwissGermanLayout());
  EXPECT_EQ(ch.VkKeyScanEx(u'z'), 'Z');
  EXPECT_EQ(ch.ScanCode('Z'), 0x15);
  EXPECT_EQ(ch.ScanCode('Y'), 0x2C);
  EXPECT_EQ(ch.VkKeyScanEx(u'@'), kAltGr | '2');
  const struct {
    std::uint8_t key;
    std::u16string_view plainShiftCapsCapsShift;
  } umlauts[] = {{vk::Oem1, u"üèÜÈ"}, {vk::Oem7, u"öéÖÉ"}, {vk::Oem5, u"äàÄÀ"}};
  for (const auto& u : umlauts) {
    SCOPED_TRACE(KeyName(u.key));
    const std::u16string_view want = u.plainShiftCapsCapsShift;
    EXPECT_EQ(ch.Translate(u.key, 0, false).ch, want[0]);
    EXPECT_EQ(ch.Translate(u.key, kModShift, false).ch, want[1]);
    EXPECT_EQ(ch.Translate(u.key, 0, true).ch, want[2]);
    EXPECT_EQ(ch.Translate(u.key, kModShift, true).ch, want[3]);
    EXPECT_EQ(ch.VkKeyScanEx(want[2]), u.key) << "VkKeyScanEx names a key that needs Caps Lock";
    EXPECT_EQ(ch.VkKeyScanEx(want[3]), kShift | u.key);
  }
  EXPECT_EQ(ch.Translate(vk::Oem1, kCtrlAlt, true).ch, u'[');
  EXPECT_EQ(ch.Translate(vk::Oem1, kModCtrl, true).ch, 0x1B);
  EXPECT_EQ(ch.VkKeyScanEx(u'^'), vk::Oem6);
  EXPECT_EQ(ch.VkKeyScanEx(u'`'), kShift | vk::Oem6);
  EXPECT_EQ(ch.VkKeyScanEx(u'~'), kAltGr | vk::Oem6);
  EXPECT_EQ(ch.VkKeyScanEx(u'´'), kAltGr | vk::Oem4);
  EXPECT_EQ(ch.VkKeyScanEx(u'¨'), vk::Oem3);
  EXPECT_EQ(ch.VkKeyScanEx(u'!'), kShift | vk::Oem3);
  EXPECT_EQ(ch.VkKeyScanEx(u'\\'), kAltGr | vk::Oem102);
  EXPECT_EQ(ch.VkKeyScanEx(u'|'), kAltGr | '7');
  EXPECT_EQ(ch.VkKeyScanEx(u'$'), vk::Oem8);
}

}  // namespace
}  // namespace tolvane::test
