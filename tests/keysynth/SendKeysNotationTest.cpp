#include "keysynth/SendKeysNotation.h"

#include <gmock/gmock.h>

#include "keysynth/KeyNames.h"

namespace tolvane {
namespace {

using ::testing::ElementsAre;
using S = KeyStroke;

S C(char c) { return {S::Char, 0, c}; }
S K(std::uint8_t vk) { return {S::Key, vk, 0}; }
S D(std::uint8_t vk) { return {S::Down, vk, 0}; }
S U(std::uint8_t vk) { return {S::Up, vk, 0}; }

std::vector<S> P(std::string_view text) { return ParseSendKeys(text).value_or(std::vector<S>{}); }

// The typing facility reads the notation with the console path's parser (whose grammar its own
// tests cover); characters stay characters so the focused window's layout can type them.
TEST(SendKeysNotation, StrokesOfTheFacility) {
  EXPECT_THAT(P("aB\xE9~{+}{} 2}"), ElementsAre(C('a'), C('B'), C('\xE9'), K(0x0D), C('+'), C('}'), C('}')));
  EXPECT_THAT(P("{F16}{INS}{BREAK}{ADD}{TAB 2}"), ElementsAre(K(0x7F), K(0x2D), K(3), K(0x6B), K(9), K(9)));
  EXPECT_THAT(P("+(ec)^a+"), ElementsAre(D(0x10), C('e'), C('c'), U(0x10), D(0x11), C('a'), U(0x11), D(0x10), U(0x10)));
  for (const char* bad : {"{FOO}", "{ENTER", "(ab", "{TAB 0}", "{a -1}"}) EXPECT_FALSE(ParseSendKeys(bad)) << bad;
  const char brace[] = {'a', '{'};  // not a C string: nothing is read past its end
  EXPECT_FALSE(ParseSendKeys(std::string_view(brace, sizeof brace)));
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
}

}  // namespace
}  // namespace tolvane
