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
  const auto r = parser.ParseKeys(keys);
  return {r, {parser.KeyQueue.begin(), parser.KeyQueue.begin() + parser.QueueTail}};
}

// Key names and characters become layout codes; Shift, Ctrl and Alt in the queue toggle a modifier.
TEST(KeyParser, QueuesLayoutCodesAndModifierToggles) {
  constexpr std::int16_t S = vk::Shift, C = vk::Control, M = vk::Menu, Enter = vk::Return;
  // clang-format off
  const std::pair<const char*, std::vector<std::int16_t>> cases[] = {
      {"", {}}, {"abc", {'A', 'B', 'C'}}, {"aBc", {'A', S, 'B', S, 'C'}}, {"{ENTER}", {Enter}},
      {"{enter}", {Enter}}, {"~", {Enter}}, {"{EnTeR}", {Enter}}, {"{ENTER 3}", {Enter, Enter, Enter}},
      {"{ENTER 2.6}", {Enter, Enter, Enter}},
      // {BREAK} is the Control key; it is pressed and released, never left down.
      {"{BREAK}", {C, C}}, {"{BREAK 2}a", {C, C, C, C, 'A'}}, {"{ }", {vk::Space}}, {"{{}", {S, vk::Oem4, S}},
      {"{F16}{bksp}{PGDN}{scrollock}", {vk::FunctionKey(16), vk::Back, vk::Next, vk::Scroll}},
      {"{a}{A}", {'A', S, 'A', S}}, {"{}}", {S, vk::Oem6, S}}, {"{} 3}", {S, vk::Oem6, vk::Oem6, vk::Oem6, S}},
      {"{~}{+}{(}", {S, vk::Oem3, S, S, vk::OemPlus, S, S, '9', S}}, {")}", {S, '0', S, S, vk::Oem6, S}},
      {"+", {S, S}}, {"+a", {S, 'A', S}}, {"+A", {S, S, 'A', S, S}}, {"++a", {S, S, 'A', S, S}},
      {"+(ab)", {S, 'A', 'B', S}}, {"^c", {C, 'C', C}}, {"%{F4}", {M, vk::FunctionKey(4), M}},
      {"^+(a)b", {C, S, 'A', S, C, 'B'}}, {"()x", {'X'}},
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
      {"ab\xE9", kNoKeyForCharacter},
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
  EXPECT_THAT(Parse(deep).queue, testing::ElementsAre('A'));
}

}  // namespace
}  // namespace tolvane
