#include <gmock/gmock.h>

#include "tests/support/TypingSimulator.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

constexpr std::uint8_t kAltGr = kModCtrl | kModAlt;

struct Press {
  std::uint8_t key, modifiers = 0;
  bool capsLock = false;
};

// What presses type (a 'd' in dead marks a dead key).
void ExpectTyped(const LayoutTable& t, std::vector<Press> presses, std::u16string_view typed,
                 std::string_view dead = "") {
  SCOPED_TRACE(t.name);
  const TableLayout layout(t);
  ASSERT_EQ(presses.size(), typed.size());
  for (std::size_t i = 0; i < presses.size(); ++i) {
    const KeyResult r = layout.Translate(presses[i].key, presses[i].modifiers, presses[i].capsLock);
    EXPECT_EQ(r.ch, typed[i]) << "press " << i;
    EXPECT_EQ(r.dead, i < dead.size() && dead[i] == 'd') << "press " << i;
  }
}

// Where the layouts differ in what Caps Lock, AltGr and Ctrl do, and which keys are dead, the
// tables answer as Windows does; the typing engine's choices rest on these answers.
TEST(PublishedLayouts, CapsLockAltGrAndDeadKeysAsOnWindows) {
  const TableLayout us(UsLayout()), fr(FrenchLayout());
  EXPECT_EQ(us.Translate('Q', kAltGr, false).ch, 0) << "no AltGr on US";
  EXPECT_EQ(us.Translate('A', kModAlt, false).ch, u'a') << "Alt alone, as ToUnicodeEx";
  EXPECT_EQ(us.Translate('A', kModCtrl, true).ch, 0x01);
  for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
    EXPECT_EQ(fr.VkKeyScanEx(digit), (kModShift << 8) | digit) << "French digits need Shift";
    EXPECT_EQ(fr.Translate(static_cast<std::uint8_t>(digit), 0, true).ch, digit) << "or Caps Lock";
  }
  ExpectTyped(UkLayout(), {{'E', kAltGr}, {'E', kAltGr, true}, {'4', kAltGr, true}}, u"éÉ€");
  ExpectTyped(GermanLayout(),
              {{vk::Oem4}, {vk::OemPlus}, {vk::Oem6}, {vk::Oem6, kModShift}, {vk::Oem5}, {vk::Oem5, kModShift},
               {'1', 0, true}, {vk::OemMinus, 0, true}, {vk::Oem1, 0, true}, {'Q', kAltGr}},
              u"ß+´`^°!-Ü@", "..ddd");
  ExpectTyped(FrenchLayout(), {{'9', kAltGr}, {'2', kAltGr}, {vk::Oem3, 0, true}, {'2', kAltGr, true}}, u"^~%~",
              ".d.d");
  ExpectTyped(SwissGermanLayout(),
              {{vk::Oem1}, {vk::Oem1, kModShift}, {vk::Oem1, 0, true}, {vk::Oem1, kModShift, true}, {vk::Oem7},
               {vk::Oem7, kModShift}, {vk::Oem7, 0, true}, {vk::Oem7, kModShift, true}, {vk::Oem5},
               {vk::Oem5, kModShift}, {vk::Oem5, 0, true}, {vk::Oem5, kModShift, true}, {vk::Oem1, kAltGr, true},
               {vk::Oem1, kModCtrl, true}},
              u"üèÜÈöéÖÉäàÄÀ[\x1b");
}

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
  sim.Type(Events(de, {kUp | 'B', kDown | 'C', kDown | 'C', kUp | 'C', vk::Capital, kDown | kPlain | vk::Left,
                       kUp | vk::Left, vk::Oem102, kUp | kUnicode | u'x', vk::Oem6, kUnicode | u'e', vk::Oem8, vk::Oem5,
                       kDown | vk::LShift}));
  EXPECT_THAT(sim.Faults(), ElementsAre("B released without a press", "C pressed again while down",
                                        "Left sent with scan 0x4B, the layout has 0xE04B",
                                        "Unicode 0x0078 released without a press",
                                        "Unicode 0x0065 typed while dead key 0x00B4 waits",
                                        "VK_DF is not a key of the German layout",
                                        "VK_DF is not a key of the German layout",
                                        "LShift left down at the end of the batch", "Caps Lock turned on",
                                        "dead key 0x005E still waiting at the end"));
  EXPECT_EQ(sim.Text(), u"cc<´e");
  EXPECT_THAT(sim.Events(), ElementsAre("Left", "VK_DF"));

  // What the emitter sends goes through: generic modifiers, Ctrl+Alt as AltGr, a dead key
  // and its letter under Caps Lock, a surrogate pair, Help as its virtual key alone.
  TypingSimulator clean(de, true);
  clean.Type(Events(de, {kDown | vk::Shift, 'A', kUp | vk::Shift, 'B', kDown | vk::Control, kDown | vk::Menu, 'Q',
                         kUp | vk::Menu, kUp | vk::Control, vk::Oem5, 'E', kUnicode | 0xD83D, kUnicode | 0xDE00,
                         0x2F}));
  EXPECT_EQ(clean.Text(), u"aB@Ê\U0001F600");
  EXPECT_THAT(clean.Faults(), testing::IsEmpty());
}

}  // namespace
}  // namespace tolvane::test
