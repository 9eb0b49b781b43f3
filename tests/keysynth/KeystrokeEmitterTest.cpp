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
  std::vector<std::string> faults;
  std::vector<std::string> events;
  int unicode = 0;
};

Typed TypeOn(const LayoutTable& table, const Keys& keys, const std::vector<std::string>& texts) {
  const TableLayout layout(table);
  TypingSimulator sim(layout, keys.capsLock);
  for (const std::uint8_t k : keys.held) sim.Hold(k);
  const auto batch = Emit(layout, keys, texts);
  sim.Type(batch);
  Typed t{sim.Text(), sim.Faults(), sim.Events()};
  for (const auto& e : batch) t.unicode += e.unicode && !e.up;
  return t;
}

// Characters as themselves in the notation.
std::string Literal(const std::string& text) {
  std::string notation;
  for (const char ch : text) {
    if (std::string("+^%~(){}").find(ch) != std::string::npos) notation += std::string("{") + ch + "}";
    else notation += ch;
  }
  return notation;
}

// Every printable ASCII character and every Latin-1 letter, escaped for the notation.
std::pair<std::string, std::u16string> EveryCharacter() {
  std::string notation;
  std::u16string expected;
  const auto add = [&](unsigned c) {
    notation += Literal(std::string(1, static_cast<char>(c)));
    expected += static_cast<char16_t>(c);
  };
  for (unsigned c = 0x20; c < 0x7F; ++c) add(c);
  for (unsigned c = 0xC0; c <= 0xFF; ++c)
    if (c != 0xD7 && c != 0xF7) add(c);
  return {notation, expected};
}

TEST(KeystrokeEmitter, EveryLayoutTypesEveryCharacterIntactWithCapsLockOnOrOff) {
  const auto [notation, expected] = EveryCharacter();
  for (const LayoutTable* table : AllLayouts()) {
    for (const bool caps : {false, true}) {
      Keys keys;
      keys.capsLock = caps;
      const Typed t = TypeOn(*table, keys, {notation, "{TAB}"});
      EXPECT_TRUE(t.text == expected + u"\t") << table->name << (caps ? " Caps Lock on" : "");
      EXPECT_THAT(t.faults, IsEmpty()) << table->name << (caps ? " Caps Lock on" : "");
    }
  }
}

// The layout's own keys are used wherever they type the character intact; Unicode events
// are kept for what no key types (some applications ignore them).
TEST(KeystrokeEmitter, KeysWhereTheLayoutHasThemUnicodeOnlyWhereItDoesNot) {
  const auto byKeys = [](const LayoutTable& table, const std::string& text, bool caps) {
    Keys keys;
    keys.capsLock = caps;
    const Typed t = TypeOn(table, keys, {Literal(text)});
    return t.unicode == 0 && t.faults.empty();
  };
  std::string printable;
  for (char c = 0x20; c < 0x7F; ++c) printable += c;
  for (const bool caps : {false, true}) {
    EXPECT_TRUE(byKeys(UsLayout(), printable, caps)) << "US ASCII";
    EXPECT_TRUE(byKeys(UkLayout(), "\"@#~\\|\xA3", caps)) << "UK";
    EXPECT_TRUE(byKeys(GermanLayout(), "zyZY@{[]}\\~|\xE4\xF6\xFC\xC4\xDF", caps)) << "German";
    EXPECT_TRUE(byKeys(FrenchLayout(), "1234567890aqzwAQZWm@\xE9\xE8\xE7\xE0", caps)) << "French digits need Shift";
    EXPECT_TRUE(byKeys(SwissGermanLayout(), "zy@#", caps)) << "Swiss German";
  }
  // Dead keys would combine with what follows; such characters go as Unicode.
  Keys keys;
  const Typed german = TypeOn(GermanLayout(), keys, {Literal("^a`e")});
  EXPECT_TRUE(german.text == u"^a`e");
  EXPECT_EQ(german.unicode, 2);
  const Typed accented = TypeOn(FrenchLayout(), keys, {"\xEA"});  // no key of its own
  EXPECT_TRUE(accented.text == u"\xEA");
}

TEST(KeystrokeEmitter, KeysTheUserHoldsAreReleasedForTheBatchAndPressedAgain) {
  for (const std::uint8_t held : {vk::LShift, vk::RShift, vk::LControl, vk::RControl, vk::LMenu, vk::RMenu, vk::LWin}) {
    Keys keys;
    keys.held = {held};
    const Typed t = TypeOn(UsLayout(), keys, {"a", "b", "1", "{TAB}"});
    EXPECT_TRUE(t.text == u"ab1\t") << int(held);
    // Pressing Win again after the batch shows as a key of its own; nothing else may.
    std::vector<std::string> events = t.events;
    if (held == vk::LWin && events == std::vector<std::string>{"LWin"}) events.clear();
    EXPECT_THAT(events, IsEmpty()) << int(held) << ": no shortcut fired";
    EXPECT_THAT(t.faults, IsEmpty()) << int(held);
  }
  // Alt and Win released alone would open a menu: a Ctrl tap comes between.
  Keys alt;
  alt.held = {vk::LMenu};
  const TableLayout us(UsLayout());
  const auto batch = Emit(us, alt, {"a"});
  ASSERT_GE(batch.size(), 3u);
  EXPECT_EQ(batch[0].vk, vk::LControl);
  EXPECT_EQ(batch[2].vk, vk::LMenu);
  EXPECT_TRUE(batch[2].up);
  EXPECT_EQ(batch.back().vk, vk::LMenu);
  EXPECT_FALSE(batch.back().up);
  EXPECT_THAT(Emit(us, alt, {""}), IsEmpty()) << "nothing to type, nothing touched";
}

TEST(KeystrokeEmitter, NotationModifiersNamedKeysAndOneBatch) {
  Keys keys;
  const Typed t = TypeOn(UsLayout(), keys, {"+a", "+(bc)", "^s", "{HOME}{DEL}{F9}", "%{F4}", "\x01"});
  EXPECT_TRUE(t.text == u"ABC\x13\x01") << "Ctrl+S reaches the window as its control character";
  EXPECT_THAT(t.events, ElementsAre("Home", "Del", "F9", "Alt+F4"));
  EXPECT_THAT(t.faults, IsEmpty()) << "extended keys carry the layout's scan codes";

  const Typed dead = TypeOn(GermanLayout(), keys, {"^{^}", "+{`}"});
  EXPECT_THAT(dead.faults, IsEmpty()) << "a dead key under held modifiers would wait for the next key";

  Keys caps;
  caps.capsLock = true;
  const Typed shifted = TypeOn(GermanLayout(), caps, {"+a", "a"});
  EXPECT_TRUE(shifted.text == u"aa") << "Shift held by the text meets Caps Lock, as on a keyboard";
}

}  // namespace
}  // namespace tolvane::test
