#include "keysynth/KeyParser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/fake/Keyboard.h"

namespace tolvane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

struct Parsed {
  std::int16_t result;
  std::vector<std::int16_t> queue;
};

Parsed Parse(std::string_view keys) {
  fake::Keyboard keyboard;
  KeyParser parser(keyboard);
  parser.InitKeyNames();
  const auto r = parser.ParseKeys(keys);
  return {r, std::vector<std::int16_t>(parser.KeyQueue.begin(), parser.KeyQueue.begin() + parser.QueueTail)};
}

TEST(KeyParser, KeyNamesAndCharactersBecomeLayoutCodes) {
  EXPECT_THAT(Parse("").queue, IsEmpty());
  EXPECT_THAT(Parse("abc").queue, ElementsAre(0x41, 0x42, 0x43));
  EXPECT_THAT(Parse("aBc").queue, ElementsAre(0x41, 16, 0x42, 16, 0x43));
  for (const char* enter : {"{ENTER}", "{enter}", "~", "{EnTeR}"}) EXPECT_THAT(Parse(enter).queue, ElementsAre(13)) << enter;
  EXPECT_EQ(Parse("{ ENTER}").result, kUnknownKeyName) << "a blank ends the name";
  EXPECT_THAT(Parse("{ENTER 3}").queue, ElementsAre(13, 13, 13));
  EXPECT_THAT(Parse("{ENTER 2.6}").queue, ElementsAre(13, 13, 13));
  // {BREAK} is the Control key; it is pressed and released, never left down.
  EXPECT_THAT(Parse("{BREAK}").queue, ElementsAre(17, 17));
  EXPECT_THAT(Parse("{BREAK 2}a").queue, ElementsAre(17, 17, 17, 17, 0x41));
  EXPECT_THAT(Parse("{F16}{bksp}{PGDN}{scrollock}").queue, ElementsAre(127, 8, 34, 145));
  EXPECT_THAT(Parse("{a}{A}").queue, ElementsAre(0x41, 16, 0x41, 16));
  EXPECT_THAT(Parse("{}}").queue, ElementsAre(16, 0xDD, 16));
  EXPECT_THAT(Parse("{ }").queue, ElementsAre(0x20));
  EXPECT_THAT(Parse("{{}").queue, ElementsAre(16, 0xDB, 16));
  EXPECT_THAT(Parse("{} 3}").queue, ElementsAre(16, 0xDD, 0xDD, 0xDD, 16));
  EXPECT_THAT(Parse("{~}{+}{(}").queue, ElementsAre(16, 0xC0, 16, 16, 0xBB, 16, 16, 0x39, 16));
  EXPECT_THAT(Parse(")}").queue, ElementsAre(16, 0x30, 16, 16, 0xDD, 16));
  EXPECT_THAT(Parse("\xE9").queue, ElementsAre(16, 255, 16)) << "a character without a key";
}

TEST(KeyParser, ModifiersAreTogglesWrittenInPairs) {
  EXPECT_THAT(Parse("+").queue, ElementsAre(16, 16));
  EXPECT_THAT(Parse("+a").queue, ElementsAre(16, 0x41, 16));
  EXPECT_THAT(Parse("+A").queue, ElementsAre(16, 16, 0x41, 16, 16));
  EXPECT_THAT(Parse("++a").queue, ElementsAre(16, 16, 0x41, 16, 16));
  EXPECT_THAT(Parse("+(ab)").queue, ElementsAre(16, 0x41, 0x42, 16));
  EXPECT_THAT(Parse("^c").queue, ElementsAre(17, 0x43, 17));
  EXPECT_THAT(Parse("%{F4}").queue, ElementsAre(18, 115, 18));
  EXPECT_THAT(Parse("^+(a)b").queue, ElementsAre(17, 16, 0x41, 16, 17, 0x42));
  EXPECT_THAT(Parse("()x").queue, ElementsAre(0x58));
}

TEST(KeyParser, MalformedStringsReportTheirCode) {
  const std::pair<const char*, std::int16_t> cases[] = {
      {"{a 0}", kBadRepeatCount},   {"{ENTER x}", kBadRepeatCount}, {"{ENTER 40000}", kBadRepeatCount},
      {"{ENTER", kNoClosingBrace},  {"{a 5", kNoClosingBrace},      {"{}", kNoClosingBrace},
      {"{FOO}", kUnknownKeyName},   {"{ x}", kUnknownKeyName},      {"{}", kNoClosingBrace},
      {"(ab", kNoClosingParen},     {"(", kNoClosingParen},         {"+(", kNoClosingParen},
      {"(a{FOO}b)", kUnknownKeyName}, {"{a 5000}", kQueueFull},     {"{a -1}", kQueueFull},
  };
  for (const auto& [keys, code] : cases) EXPECT_EQ(Parse(keys).result, code) << keys;
}

TEST(KeyParser, LimitsOfTheQueueAndThePositions) {
  EXPECT_EQ(Parse("{a 4096}").result, kParseOk);
  EXPECT_EQ(Parse("{A 4094}").result, kParseOk);
  EXPECT_EQ(Parse("{A 4095}").result, kQueueFull);
  EXPECT_EQ(Parse(std::string(4096, 'a')).result, kParseOk);
  EXPECT_EQ(Parse(std::string(4097, 'a')).result, kQueueFull);
  // Positions are 16-bit: a string of 32,767 characters fails even if it would type nothing.
  std::string groups;
  while (groups.size() < 32766) groups += "()";
  EXPECT_EQ(Parse(groups).result, kParseOk);
  EXPECT_EQ(Parse(groups + "()").result, kQueueFull);
  // Deep nesting is parsed without recursion.
  const std::string deep = std::string(16000, '(') + "a" + std::string(16000, ')');
  EXPECT_THAT(Parse(deep).queue, ElementsAre(0x41));
}

TEST(KeyParser, LookupKeyCodeTrimsAndIgnoresCase) {
  fake::Keyboard keyboard;
  KeyParser parser(keyboard);
  parser.InitKeyNames();
  EXPECT_EQ(parser.KeyNames.size(), 41u);
  EXPECT_EQ(parser.LookupKeyCode("  del "), 46);
  EXPECT_EQ(parser.LookupKeyCode("Capslock"), 20);
  EXPECT_EQ(parser.LookupKeyCode("F17"), 0);
  EXPECT_EQ(parser.LookupKeyCode(""), 0);
  EXPECT_EQ(parser.LookupKeyCode("?"), 0x1BF);
}

}  // namespace
}  // namespace tolvane
