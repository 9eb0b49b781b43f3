#include "keysynth/KeyParser.h"

#include <gmock/gmock.h>

#include "tests/fakes/Keyboard.h"

namespace tolvane {
namespace {

struct Parsed {
  std::int16_t result;
  std::vector<std::int16_t> queue;
};

Parsed Parse(std::string_view keys) {
  fake::Keyboard keyboard;
  KeyParser parser(keyboard);
  parser.InitKeyNames();
  const auto r = parser.ParseKeys(keys);
  return {r, {parser.KeyQueue.begin(), parser.KeyQueue.begin() + parser.QueueTail}};
}

// Key names and characters become layout codes; 16..18 in the queue toggle a modifier.
TEST(KeyParser, QueuesLayoutCodesAndModifierToggles) {
  // clang-format off
  const std::pair<const char*, std::vector<std::int16_t>> cases[] = {
      {"", {}}, {"abc", {0x41, 0x42, 0x43}}, {"aBc", {0x41, 16, 0x42, 16, 0x43}}, {"{ENTER}", {13}},
      {"{enter}", {13}}, {"~", {13}}, {"{EnTeR}", {13}}, {"{ENTER 3}", {13, 13, 13}}, {"{ENTER 2.6}", {13, 13, 13}},
      // {BREAK} is the Control key; it is pressed and released, never left down.
      {"{BREAK}", {17, 17}}, {"{BREAK 2}a", {17, 17, 17, 17, 0x41}}, {"{ }", {0x20}}, {"{{}", {16, 0xDB, 16}},
      {"{F16}{bksp}{PGDN}{scrollock}", {127, 8, 34, 145}}, {"{a}{A}", {0x41, 16, 0x41, 16}}, {"{}}", {16, 0xDD, 16}},
      {"{} 3}", {16, 0xDD, 0xDD, 0xDD, 16}}, {"{~}{+}{(}", {16, 0xC0, 16, 16, 0xBB, 16, 16, 0x39, 16}},
      {")}", {16, 0x30, 16, 16, 0xDD, 16}}, {"\xE9", {16, 255, 16}},  // a character without a key
      {"+", {16, 16}}, {"+a", {16, 0x41, 16}}, {"+A", {16, 16, 0x41, 16, 16}}, {"++a", {16, 16, 0x41, 16, 16}},
      {"+(ab)", {16, 0x41, 0x42, 16}}, {"^c", {17, 0x43, 17}}, {"%{F4}", {18, 115, 18}},
      {"^+(a)b", {17, 16, 0x41, 16, 17, 0x42}}, {"()x", {0x58}},
  };
  // clang-format on
  for (const auto& [keys, queue] : cases) {
    const Parsed p = Parse(keys);
    EXPECT_EQ(p.result, kParseOk) << keys;
    EXPECT_EQ(p.queue, queue) << keys;
  }
}

TEST(KeyParser, MalformedStringsAndLimitsReportTheirCode) {
  std::string groups;
  while (groups.size() < 32766) groups += "()";
  const std::pair<std::string, std::int16_t> cases[] = {
      {"{a 0}", kBadRepeatCount},
      {"{ENTER x}", kBadRepeatCount},
      {"{ENTER 40000}", kBadRepeatCount},
      {"{ENTER", kNoClosingBrace},
      {"{a 5", kNoClosingBrace},
      {"{}", kNoClosingBrace},
      {"{FOO}", kUnknownKeyName},
      {"{ x}", kUnknownKeyName},
      {"{ ENTER}", kUnknownKeyName},
      {"(a{FOO}b)", kUnknownKeyName},
      {"(ab", kNoClosingParen},
      {"(", kNoClosingParen},
      {"+(", kNoClosingParen},
      {"{a 5000}", kQueueFull},
      {"{a -1}", kQueueFull},
      // The queue holds 4,096 codes.
      {"{a 4096}", kParseOk},
      {"{A 4094}", kParseOk},
      {"{A 4095}", kQueueFull},
      {std::string(4096, 'a'), kParseOk},
      {std::string(4097, 'a'), kQueueFull},
      // Positions are 16-bit: 32,767 characters fail even if they would type nothing.
      {groups, kParseOk},
      {groups + "()", kQueueFull},
  };
  for (const auto& [keys, code] : cases) EXPECT_EQ(Parse(keys).result, code) << keys.substr(0, 20);
  // Deep nesting is parsed without recursion.
  const std::string deep = std::string(16000, '(') + "a" + std::string(16000, ')');
  EXPECT_THAT(Parse(deep).queue, testing::ElementsAre(0x41));
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
