#include "keysynth/SendKeysEmitter.h"

#include <gmock/gmock.h>

#include <cstring>

#include "keysynth/KeyNames.h"
#include "tests/support/TypingSimulator.h"

namespace tolvane::test {
namespace {

using ::testing::IsEmpty;

// Windows-1252 agrees with Latin-1 on every character used here.
char16_t Latin1(char c) { return static_cast<unsigned char>(c); }

// What the application receives from the batch the emitter makes of the texts, with Caps Lock
// and the keys the user holds as given.
struct Typed {
  std::vector<KeyInput> batch;
  std::u16string text;
  std::vector<std::string> events, shortcuts, faults;
  int unicode = 0;  // Unicode events in the batch
};

// With shiftLock, Shift turns Caps Lock off (the user's choice in the keyboard settings).
Typed TypeOn(const LayoutTable& table, const std::vector<std::string>& texts, bool capsLock = false,
             std::uint8_t held = 0, bool shiftLock = false) {
  const TableLayout layout(table);
  TypingSimulator sim(layout, capsLock, shiftLock);
  if (held) sim.Hold(held);
  SendKeysEmitter emitter(layout, sim, Latin1);
  for (const auto& text : texts) emitter.Add(ParseSendKeys(text).value());  // throws for a text the notation refuses
  const auto batch = emitter.Finish();
  sim.Type(batch);
  Typed t{batch, sim.Text(), sim.Events(), sim.Shortcuts(), sim.Faults()};
  for (const auto& e : t.batch) t.unicode += e.unicode && !e.up;
  return t;
}

// The characters as themselves in the notation.
std::string Literal(const std::string& text) {
  std::string notation;
  for (const char ch : text) notation += std::strchr("+^%~(){}", ch) ? std::string("{") + ch + "}" : std::string(1, ch);
  return notation;
}

// Every character arrives intact; the layout's own keys are used wherever they type it intact,
// Unicode events only for what no key types (some applications ignore them). AltGr is the right
// Alt key, never a left Ctrl and Alt that applications may take for a shortcut. Where Shift turns
// Caps Lock off, Caps Lock stays on through the record: characters that would need a Shift of
// ours go as Unicode.
TEST(SendKeysEmitter, EveryLayoutTypesEveryCharacterIntactByItsOwnKeys) {
  std::string every;  // printable ASCII and the Latin-1 letters
  std::u16string expected;
  for (int c = 0x20; c <= 0xFF; ++c) {
    if (c >= 0x7F && (c < 0xC0 || c == 0xD7 || c == 0xF7)) continue;
    every += static_cast<char>(c);
    expected += static_cast<char16_t>(c);
  }
  // US: printable ASCII; French digits need Shift.
  const std::string byKeys[] = {every.substr(0, 0x5F), "\"@#~\\|\xA3", "zyZY@{[]}\\~|\xE4\xF6\xFC\xC4\xD6\xDC\xDF",
                                "1234567890aqzwAQZWm@\xE9\xE8\xE7\xE0", "zy@#"};
  for (std::size_t n = 0; n < AllLayouts().size(); ++n) {
    for (const int mode : {0, 1, 2}) {  // Caps Lock off, on, on with Shift turning it off
      const bool caps = mode > 0, shiftLock = mode == 2;
      SCOPED_TRACE(std::string(AllLayouts()[n]->name) + (caps ? " Caps Lock on" : "") +
                   (shiftLock ? " shift lock" : ""));
      const Typed t = TypeOn(*AllLayouts()[n], {Literal(every), "{TAB}"}, caps, 0, shiftLock);
      EXPECT_TRUE(t.text == expected + u"\t");
      EXPECT_THAT(t.shortcuts, IsEmpty());
      EXPECT_THAT(t.faults, IsEmpty());
      if (shiftLock) continue;
      const Typed own = TypeOn(*AllLayouts()[n], {Literal(byKeys[n])}, caps);
      EXPECT_EQ(own.unicode, 0);
      EXPECT_THAT(own.faults, IsEmpty());
    }
  }
  // Dead keys would combine with what follows; such characters go as Unicode.
  const Typed german = TypeOn(GermanLayout(), {Literal("^a`e")});
  EXPECT_TRUE(german.text == u"^a`e");
  EXPECT_EQ(german.unicode, 2);
  EXPECT_TRUE(TypeOn(FrenchLayout(), {"\xEA"}).text == u"\xEA") << "no key of its own";
}

TEST(SendKeysEmitter, KeysTheUserHoldsAreReleasedForTheBatchAndPressedAgain) {
  for (const std::uint8_t held :
       {vk::LShift, vk::RShift, vk::LControl, vk::RControl, vk::LMenu, vk::RMenu, vk::LWin, vk::RWin}) {
    const Typed t = TypeOn(UsLayout(), {"a", "b", "1", "{TAB}"}, false, held);
    EXPECT_TRUE(t.text == u"ab1\t") << KeyName(held);
    // Pressing Win again after the batch shows as a key of its own; nothing else may.
    const bool win = held == vk::LWin || held == vk::RWin;
    EXPECT_EQ(t.events, std::vector<std::string>(win, KeyName(held))) << KeyName(held) << ": no shortcut fired";
    EXPECT_THAT(t.faults, IsEmpty()) << KeyName(held);
    // Alt and Win released alone would open a menu: a Ctrl tap comes between.
    if (!win && held != vk::LMenu && held != vk::RMenu) continue;
    ASSERT_GE(t.batch.size(), 3u);
    EXPECT_EQ(t.batch[0].vk, vk::LControl) << KeyName(held);
    EXPECT_TRUE(t.batch[2].vk == held && t.batch[2].up) << KeyName(held);
    EXPECT_TRUE(t.batch.back().vk == held && !t.batch.back().up) << KeyName(held);
  }
  EXPECT_THAT(TypeOn(UsLayout(), {""}, false, vk::LMenu).batch, IsEmpty()) << "nothing to type, nothing touched";
}

// A system whose scan-code answers lack the E0 prefix: the keys that are extended anyway still go
// with the flag, else an application sees the keypad's Home for Home, Ctrl for right Ctrl.
TEST(SendKeysEmitter, ExtendedKeysWithoutThePrefixInTheAnswer) {
  struct NoPrefix : TableLayout {
    using TableLayout::TableLayout;
    std::uint16_t ScanCode(std::uint8_t key) const override { return TableLayout::ScanCode(key) & 0xFF; }
  };
  const NoPrefix layout(UsLayout());
  const auto extended = [&layout](const std::string& text, std::uint8_t held) {
    TypingSimulator sim(layout, false);
    if (held) sim.Hold(held);
    SendKeysEmitter emitter(layout, sim, Latin1);
    emitter.Add(ParseSendKeys(text).value());
    std::map<std::uint8_t, bool> flags;  // each key: sent with the flag every time
    for (const KeyInput& k : emitter.Finish()) flags.emplace(k.vk, true).first->second &= k.extended;
    return flags;
  };
  const auto named = extended("{HOME}{END}{LEFT}{RIGHT}{UP}{DOWN}{INSERT}{DELETE}{PGUP}{PGDN}{DIVIDE}{NUMLOCK}", 0);
  for (const std::uint8_t key : {vk::Home, vk::End, vk::Left, vk::Right, vk::Up, vk::Down, vk::Insert, vk::Delete,
                                 vk::Prior, vk::Next, vk::Divide, vk::NumLock})
    EXPECT_TRUE(named.count(key) && named.at(key)) << KeyName(key);
  for (const std::uint8_t held : {vk::RControl, vk::RMenu, vk::LWin, vk::RWin})
    EXPECT_TRUE(extended("a", held).at(held)) << KeyName(held) << ", released and pressed again";
  EXPECT_FALSE(extended("a", vk::LControl).at(vk::LControl)) << "the left keys are not extended";
  EXPECT_TRUE(vk::IsExtended(vk::Apps)) << "the Applications key, which no text or held key sends";
}

TEST(SendKeysEmitter, NotationModifiersNamedKeysAndOneBatch) {
  const Typed t = TypeOn(UsLayout(), {"+a", "+(bc)", "^s", "{HOME}{DEL}{F9}", "%{F4}", "\x01"});
  EXPECT_TRUE(t.text == u"ABC\x13\x01") << "Ctrl+S reaches the window as its control character";
  EXPECT_THAT(t.events, testing::ElementsAre("Home", "Del", "F9", "Alt+F4"));
  EXPECT_THAT(t.faults, IsEmpty()) << "extended keys carry the layout's scan codes";
  EXPECT_THAT(TypeOn(GermanLayout(), {"^{^}", "+{`}"}).faults, IsEmpty())
      << "a dead key under held modifiers would wait for the next key";
  EXPECT_THAT(TypeOn(FrenchLayout(), {"^%\xE9", "\xB6"}).faults, IsEmpty()) << "the text's Ctrl+Alt makes AltGr";
  const Typed ctrlAlt = TypeOn(GermanLayout(), {"^%q"});
  EXPECT_TRUE(ctrlAlt.text == u"@");
  EXPECT_THAT(ctrlAlt.shortcuts, testing::ElementsAre("Ctrl+Alt+Q")) << "and stays the Ctrl+Alt it asks for";
  EXPECT_TRUE(TypeOn(GermanLayout(), {"+a", "a"}, true).text == u"aa")
      << "Shift held by the text meets Caps Lock, as on a keyboard";
  EXPECT_TRUE(TypeOn(FrenchLayout(), {"a1", "{CAPSLOCK}", "b2", "{CAPSLOCK}c"}).text == u"a1b2c")
      << "the keys after a Caps Lock in the batch are chosen for the state it leaves";
  // Where Shift turns Caps Lock off, the text's own Shift does so; Caps Lock is on again for the next text.
  const Typed shiftLock = TypeOn(GermanLayout(), {"+a", "ab", "{CAPSLOCK}", "c"}, true, 0, true);
  EXPECT_TRUE(shiftLock.text == u"Aabc");
  EXPECT_THAT(shiftLock.faults, IsEmpty());
  // Every key the notation names is sent as the layout has it (twice, so Caps Lock ends as it was).
  for (const LayoutTable* table : AllLayouts())
    for (const KeyNameRow& row : KeyNameTable())
      EXPECT_THAT(TypeOn(*table, {std::string("{") + row.name + " 2}"}).faults, IsEmpty()) << row.name;
}

}  // namespace
}  // namespace tolvane::test
