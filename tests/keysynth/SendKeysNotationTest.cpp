#include "keysynth/SendKeysNotation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "keysynth/KeyNames.h"

namespace tolvane {
namespace {

using ::testing::ElementsAre;
using S = KeyStroke;

S C(char c) { return {S::Char, 0, c}; }
S K(std::uint8_t vk) { return {S::Key, vk, 0}; }
S D(std::uint8_t vk) { return {S::Down, vk, 0}; }
S U(std::uint8_t vk) { return {S::Up, vk, 0}; }

std::vector<S> P(std::string_view text) {
  auto r = ParseSendKeys(text);
  EXPECT_TRUE(r) << text;
  return r.value_or(std::vector<S>{});
}

// The typing facility reads the notation with the console path's parser; characters stay
// characters so the focused window's layout can type them.
TEST(SendKeysNotation, CharactersKeysAndRepeats) {
  EXPECT_TRUE(P("").empty());
  EXPECT_THAT(P("aB1\xE9"), ElementsAre(C('a'), C('B'), C('1'), C('\xE9')));
  EXPECT_THAT(P("{ENTER}~{enter}"), ElementsAre(K(0x0D), K(0x0D), K(0x0D)));
  EXPECT_THAT(P("{TAB 3}"), ElementsAre(K(9), K(9), K(9)));
  EXPECT_THAT(P("{F9}{F16}{DEL}{INS}{pgdn}{BREAK}{ADD}{SCROLLLOCK}"),
              ElementsAre(K(0x78), K(0x7F), K(0x2E), K(0x2D), K(0x22), K(3), K(0x6B), K(0x91)));
  EXPECT_THAT(P("{+}{^}{%}{~}{(}{)}{{}{}}{ }"),
              ElementsAre(C('+'), C('^'), C('%'), C('~'), C('('), C(')'), C('{'), C('}'), C(' ')));
  EXPECT_THAT(P("{} 2}{a 2}"), ElementsAre(C('}'), C('}'), C('a'), C('a')));
}

TEST(SendKeysNotation, ModifiersHoldTheNextItemOrGroup) {
  EXPECT_THAT(P("+ec"), ElementsAre(D(0x10), C('e'), U(0x10), C('c')));
  EXPECT_THAT(P("+(ec)"), ElementsAre(D(0x10), C('e'), C('c'), U(0x10)));
  EXPECT_THAT(P("^a^c"), ElementsAre(D(0x11), C('a'), U(0x11), D(0x11), C('c'), U(0x11)));
  EXPECT_THAT(P("+^a"), ElementsAre(D(0x10), D(0x11), C('a'), U(0x11), U(0x10)));
  EXPECT_THAT(P("a+"), ElementsAre(C('a'), D(0x10), U(0x10)));
}

TEST(SendKeysNotation, UnreadableTextsFail) {
  for (const char* bad : {"{FOO}", "{ENTER", "{", "{}", "(ab", "{TAB x}", "{TAB 0}", "{TAB 40000}", "{F17}"})
    EXPECT_FALSE(ParseSendKeys(bad)) << bad;
  const char brace[] = {'a', '{'};  // not a C string (found by fuzzing)
  EXPECT_FALSE(ParseSendKeys(std::string_view(brace, sizeof brace)));
  EXPECT_FALSE(ParseSendKeys("{a -1}")) << "until full is too many";
  EXPECT_TRUE(ParseSendKeys(std::string(50, '(') + "a" + std::string(50, ')')));
}

// One table; the console path knows fewer names and presses Control for {BREAK}.
TEST(KeyNames, OneTableTwoReadings) {
  EXPECT_EQ(LookupKeyName(" break ", KeyNameSet::Windows)->vk, 3);
  EXPECT_EQ(LookupKeyName("Break", KeyNameSet::Console)->console, 17);
  for (const char* only : {"INS", "SCROLLLOCK", "ADD", "SUBTRACT", "MULTIPLY", "DIVIDE"}) {
    EXPECT_NE(LookupKeyName(only, KeyNameSet::Windows), nullptr) << only;
    EXPECT_EQ(LookupKeyName(only, KeyNameSet::Console), nullptr) << only;
  }
  EXPECT_EQ(LookupKeyName("ENTER", KeyNameSet::None), nullptr);
  int console = 0;
  for (const auto& row : KeyNameTable()) console += row.console != 0;
  EXPECT_EQ(console, 41);
}

}  // namespace
}  // namespace tolvane
