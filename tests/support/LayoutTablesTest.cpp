#include <gmock/gmock.h>

#include "tests/support/TypingSimulator.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

// Key events with the layout's scan codes, from tokens: a key is tapped, with kDown or kUp only pressed or
// released, with kPlain without the E0 prefix; kUnicode | unit types the unit as a Unicode event.
enum : int { kDown = 1 << 16, kUp = 1 << 17, kUnicode = 1 << 18, kPlain = 1 << 19 };

std::vector<KeyInput> Events(const TableLayout& layout, std::initializer_list<int> tokens) {
  std::vector<KeyInput> out;
  for (const int t : tokens) {
    const bool unicode = t & kUnicode;
    const auto key = static_cast<std::uint8_t>(unicode ? 0 : t & 0xFF);
    const auto scan = static_cast<std::uint16_t>(unicode ? t & 0xFFFF : layout.ScanCode(key));
    for (const bool up : {false, true}) {
      if (t & (up ? kDown : kUp)) continue;
      const bool extended = !unicode && scan > 0xFF && !(t & kPlain);
      out.push_back({key, static_cast<std::uint16_t>(unicode ? scan : scan & 0xFF), up, extended, unicode});
    }
  }
  return out;
}

TEST(TypingSimulator, FaultsNameWhatABatchLeftWrong) {
  const TableLayout de(GermanLayout());
  TypingSimulator sim(de, false);
  sim.Type(Events(
      de, {kUp | 'B', kDown | 'C', kDown | 'C', kUp | 'C', vk::Capital, kDown | kPlain | vk::Left, kUp | vk::Left,
           vk::Oem102, kUp | kUnicode | u'x', vk::Oem6, kUnicode | u'e', vk::Oem8, vk::Oem5, kDown | vk::LShift}));
  EXPECT_THAT(sim.Faults(),
              ElementsAre("B released without a press", "C pressed again while down",
                          "Left sent with scan 0x4B, the layout has 0xE04B", "Unicode 0x0078 released without a press",
                          "Unicode 0x0065 typed while dead key 0x00B4 waits", "VK_DF is not a key of the German layout",
                          "VK_DF is not a key of the German layout", "LShift left down at the end of the batch",
                          "Caps Lock turned on", "dead key 0x005E still waiting at the end"));
  EXPECT_EQ(sim.Text(), u"cc<´e");
  EXPECT_THAT(sim.Events(), ElementsAre("Left", "VK_DF"));

  // What the emitter sends goes through: generic modifiers, Ctrl+Alt as AltGr, a dead key
  // and its letter under Caps Lock, a surrogate pair, Help as its virtual key alone.
  TypingSimulator clean(de, true);
  clean.Type(
      Events(de, {kDown | vk::Shift, 'A', kUp | vk::Shift, 'B', kDown | vk::Control, kDown | vk::Menu, 'Q',
                  kUp | vk::Menu, kUp | vk::Control, vk::Oem5, 'E', kUnicode | 0xD83D, kUnicode | 0xDE00, vk::Help}));
  EXPECT_EQ(clean.Text(), u"aB@Ê\U0001F600");
  EXPECT_THAT(clean.Faults(), testing::IsEmpty());
}

}  // namespace
}  // namespace tolvane::test
