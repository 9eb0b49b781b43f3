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
  EXPECT_THAT(P("aB\xE9~{+}{} 2}"), ElementsAre(C('a'), C('B'), C('\xE9'), K(vk::Return), C('+'), C('}'), C('}')));
  EXPECT_THAT(P("{F16}{INS}{BREAK}{ADD}{TAB 2}"),
              ElementsAre(K(vk::FunctionKey(16)), K(vk::Insert), K(vk::Cancel), K(vk::Add), K(vk::Tab), K(vk::Tab)));
  EXPECT_THAT(P("+(ec)^a+"), ElementsAre(D(vk::Shift), C('e'), C('c'), U(vk::Shift), D(vk::Control), C('a'),
                                         U(vk::Control), D(vk::Shift), U(vk::Shift)));
  for (const char* bad : {"{FOO}", "{ENTER", "(ab", "{TAB 0}", "{a -1}"}) EXPECT_FALSE(ParseSendKeys(bad)) << bad;
  const char brace[] = {'a', '{'};  // not a C string: nothing is read past its end
  EXPECT_FALSE(ParseSendKeys(std::string_view(brace, sizeof brace)));
}

// One table; the console path knows fewer names and presses Control for {BREAK}.
TEST(KeyNames, OneTableTwoReadings) {
  EXPECT_EQ(LookupKeyName(" break ", KeyNameSet::Windows)->vk, vk::Cancel);
  EXPECT_EQ(LookupKeyName("Break", KeyNameSet::Console)->console, vk::Control);
  for (const char* only : {"INS", "SCROLLLOCK", "ADD", "SUBTRACT", "MULTIPLY", "DIVIDE"}) {
    EXPECT_NE(LookupKeyName(only, KeyNameSet::Windows), nullptr) << only;
    EXPECT_EQ(LookupKeyName(only, KeyNameSet::Console), nullptr) << only;
  }
}

}  // namespace
}  // namespace tolvane
