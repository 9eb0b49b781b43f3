#include "keysynth/SendKeysNotation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

TEST(SendKeysNotation, CharactersKeysAndRepeats) {
  EXPECT_TRUE(P("").empty());
  EXPECT_THAT(P("aB1"), ElementsAre(C('a'), C('B'), C('1')));
  EXPECT_THAT(P("{ENTER}~{enter}"), ElementsAre(K(0x0D), K(0x0D), K(0x0D)));
  EXPECT_THAT(P("{TAB 3}"), ElementsAre(K(9), K(9), K(9)));
  EXPECT_THAT(P("{F9}{f10}{F16}{DEL}{pgdn}{BREAK}"), ElementsAre(K(0x78), K(0x79), K(0x7F), K(0x2E), K(0x22), K(3)));
  EXPECT_THAT(P("{+}{^}{%}{~}{(}{)}{{}{}}{[}{]}{ }"),
              ElementsAre(C('+'), C('^'), C('%'), C('~'), C('('), C(')'), C('{'), C('}'), C('['), C(']'), C(' ')));
  EXPECT_THAT(P("{} 2}{a 2}{  2}"), ElementsAre(C('}'), C('}'), C('a'), C('a'), C(' '), C(' ')));
  EXPECT_THAT(P("{x 0}y"), ElementsAre(C('y')));
  EXPECT_THAT(P("\xE9]["), ElementsAre(C('\xE9'), C(']'), C('[')));
}

TEST(SendKeysNotation, ModifiersHoldTheNextItemOrGroup) {
  EXPECT_THAT(P("+ec"), ElementsAre(D(0x10), C('e'), U(0x10), C('c')));
  EXPECT_THAT(P("+(ec)"), ElementsAre(D(0x10), C('e'), C('c'), U(0x10)));
  EXPECT_THAT(P("^a^c"), ElementsAre(D(0x11), C('a'), U(0x11), D(0x11), C('c'), U(0x11)));
  EXPECT_THAT(P("%{F4}"), ElementsAre(D(0x12), K(0x73), U(0x12)));
  EXPECT_THAT(P("+^a"), ElementsAre(D(0x10), D(0x11), C('a'), U(0x11), U(0x10)));
  EXPECT_THAT(P("(+a)b"), ElementsAre(D(0x10), C('a'), U(0x10), C('b')));
  EXPECT_THAT(P("a+"), ElementsAre(C('a'), D(0x10), U(0x10)));
}

TEST(SendKeysNotation, UnreadableTextsFail) {
  for (const char* bad : {"{FOO}", "{ENTER", "{", "{}", "(ab", "a)", "{TAB x}", "{TAB }", "{TAB 1234567}", "{F17}",
                          "{F0}", "((a)"}) {
    EXPECT_FALSE(ParseSendKeys(bad)) << bad;
  }
  // A brace at the very end of a buffer that is not a C string (found by fuzzing).
  const char brace[] = {'a', '{'};
  EXPECT_FALSE(ParseSendKeys(std::string_view(brace, sizeof brace)));
  EXPECT_FALSE(ParseSendKeys("{a 99999}{a 99999}")) << "too many strokes";
  EXPECT_FALSE(ParseSendKeys(std::string(100000, '('))) << "nesting too deep";
  EXPECT_FALSE(ParseSendKeys(std::string(100000, '+')));
  EXPECT_TRUE(ParseSendKeys(std::string(50, '(') + "a" + std::string(50, ')')));
}

TEST(SendKeysNotation, ExtendedKeys) {
  for (std::uint8_t vk : {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2D, 0x2E}) EXPECT_TRUE(IsExtendedKey(vk));
  for (std::uint8_t vk : {0x0D, 0x09, 0x41, 0x70, 0x10}) EXPECT_FALSE(IsExtendedKey(vk));
}

}  // namespace
}  // namespace tolvane
