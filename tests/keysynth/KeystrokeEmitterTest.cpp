#include "keysynth/KeystrokeEmitter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "tests/support/TableLayout.h"
#include "tests/support/TypingSimulator.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Keys : KeyStates {
  Keys(bool caps, std::set<std::uint8_t> down) : capsLock(caps), held(std::move(down)) {}
  std::int16_t GetKeyState(std::uint8_t key) const override {
    if (key == vk::Capital) return capsLock ? 1 : 0;
    return held.count(key) ? static_cast<std::int16_t>(0x8000) : 0;
  }
  bool capsLock = false;
  std::set<std::uint8_t> held;
};

// Windows-1252 agrees with Latin-1 on every character used here.
char16_t Latin1(char c) { return static_cast<unsigned char>(c); }

std::vector<KeyInput> Emit(const TableLayout& layout, const Keys& keys, const std::vector<std::string>& texts) {
  KeystrokeEmitter emitter(layout, keys, Latin1);
  for (const auto& t : texts) {
    const auto strokes = ParseSendKeys(t);
    EXPECT_TRUE(strokes) << t;
    if (strokes) emitter.Add(*strokes);
  }
  return emitter.Finish();
}

struct Typed {
  std::u16string text;
  std::vector<std::string> events, faults;
  int unicode = 0;  // Unicode events in the batch
};

// What the application receives from the batch the emitter makes of the texts.
Typed TypeOn(const LayoutTable& table, const std::vector<std::string>& texts, bool capsLock = false,
             std::set<std::uint8_t> held = {}) {
  const TableLayout layout(table);
  const Keys keys(capsLock, held);
  TypingSimulator sim(layout, capsLock);
  for (const std::uint8_t k : held) sim.Hold(k);
  const auto batch = Emit(layout, keys, texts);
  sim.Type(batch);
  Typed t{sim.Text(), sim.Events(), sim.Faults()};
  for (const auto& e : batch) t.unicode += e.unicode && !e.up;
  return t;
}

// The characters as themselves in the notation, and as the application receives them.
std::string Literal(const std::string& text) {
  std::string notation;
  for (const char ch : text) notation += std::string("+^%~(){}").find(ch) == std::string::npos ? std::string(1, ch) : std::string("{") + ch + "}";
  return notation;
}
std::u16string Wide(const std::string& text) {
  std::u16string wide;
  for (const char ch : text) wide += Latin1(ch);
  return wide;
}

TEST(KeystrokeEmitter, EveryLayoutTypesEveryCharacterIntactWithCapsLockOnOrOff) {
  std::string every;  // printable ASCII and the Latin-1 letters
  for (int c = 0x20; c <= 0xFF; ++c) {
    if (c < 0x7F || (c >= 0xC0 && c != 0xD7 && c != 0xF7)) every += static_cast<char>(c);
  }
  for (const LayoutTable* table : AllLayouts()) {
    for (const bool caps : {false, true}) {
      const Typed t = TypeOn(*table, {Literal(every), "{TAB}"}, caps);
      EXPECT_TRUE(t.text == Wide(every) + u"\t") << table->name << (caps ? " Caps Lock on" : "");
      EXPECT_THAT(t.faults, IsEmpty()) << table->name << (caps ? " Caps Lock on" : "");
    }
  }
}

// The layout's own keys are used wherever they type the character intact; Unicode events
// are kept for what no key types (some applications ignore them).
TEST(KeystrokeEmitter, KeysWhereTheLayoutHasThemUnicodeOnlyWhereItDoesNot) {
  std::string printable;
  for (char c = 0x20; c < 0x7F; ++c) printable += c;
  const std::pair<const LayoutTable*, std::string> byKeys[] = {
      {&UsLayout(), printable},
      {&UkLayout(), "\"@#~\\|\xA3"},
      {&GermanLayout(), "zyZY@{[]}\\~|\xE4\xF6\xFC\xC4\xDF"},
      {&FrenchLayout(), "1234567890aqzwAQZWm@\xE9\xE8\xE7\xE0"},  // French digits need Shift
      {&SwissGermanLayout(), "zy@#"},
  };
  for (const auto& [table, text] : byKeys) {
    for (const bool caps : {false, true}) {
      const Typed t = TypeOn(*table, {Literal(text)}, caps);
      EXPECT_EQ(t.unicode, 0) << table->name << (caps ? " Caps Lock on" : "");
      EXPECT_THAT(t.faults, IsEmpty()) << table->name << (caps ? " Caps Lock on" : "");
    }
  }
  // Dead keys would combine with what follows; such characters go as Unicode.
  const Typed german = TypeOn(GermanLayout(), {Literal("^a`e")});
  EXPECT_TRUE(german.text == u"^a`e");
  EXPECT_EQ(german.unicode, 2);
  EXPECT_TRUE(TypeOn(FrenchLayout(), {"\xEA"}).text == u"\xEA") << "no key of its own";
}

TEST(KeystrokeEmitter, KeysTheUserHoldsAreReleasedForTheBatchAndPressedAgain) {
  for (const std::uint8_t held : {vk::LShift, vk::RShift, vk::LControl, vk::RControl, vk::LMenu, vk::RMenu, vk::LWin}) {
    const Typed t = TypeOn(UsLayout(), {"a", "b", "1", "{TAB}"}, false, {held});
    EXPECT_TRUE(t.text == u"ab1\t") << KeyName(held);
    // Pressing Win again after the batch shows as a key of its own; nothing else may.
    EXPECT_EQ(t.events, std::vector<std::string>(held == vk::LWin, "LWin")) << KeyName(held) << ": no shortcut fired";
    EXPECT_THAT(t.faults, IsEmpty()) << KeyName(held);
  }
  // Alt and Win released alone would open a menu: a Ctrl tap comes between.
  const Keys alt(false, {vk::LMenu});
  const TableLayout us(UsLayout());
  const auto batch = Emit(us, alt, {"a"});
  ASSERT_GE(batch.size(), 3u);
  EXPECT_EQ(batch[0].vk, vk::LControl);
  EXPECT_TRUE(batch[2].vk == vk::LMenu && batch[2].up);
  EXPECT_TRUE(batch.back().vk == vk::LMenu && !batch.back().up);
  EXPECT_THAT(Emit(us, alt, {""}), IsEmpty()) << "nothing to type, nothing touched";
}

TEST(KeystrokeEmitter, NotationModifiersNamedKeysAndOneBatch) {
  const Typed t = TypeOn(UsLayout(), {"+a", "+(bc)", "^s", "{HOME}{DEL}{F9}", "%{F4}", "\x01"});
  EXPECT_TRUE(t.text == u"ABC\x13\x01") << "Ctrl+S reaches the window as its control character";
  EXPECT_THAT(t.events, ElementsAre("Home", "Del", "F9", "Alt+F4"));
  EXPECT_THAT(t.faults, IsEmpty()) << "extended keys carry the layout's scan codes";
  EXPECT_THAT(TypeOn(GermanLayout(), {"^{^}", "+{`}"}).faults, IsEmpty())
      << "a dead key under held modifiers would wait for the next key";
  EXPECT_TRUE(TypeOn(GermanLayout(), {"+a", "a"}, true).text == u"aa")
      << "Shift held by the text meets Caps Lock, as on a keyboard";
}

}  // namespace
}  // namespace tolvane::test
