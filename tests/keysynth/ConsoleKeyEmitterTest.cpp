#include "keysynth/ConsoleKeyEmitter.h"

#include <gmock/gmock.h>

#include <tuple>

#include "tests/fakes/Keyboard.h"

namespace tolvane {
namespace {

using ::testing::ElementsAre;
using Ev = fake::RecordedKeyEvent;

constexpr std::uint32_t kUp = Keyboard::kKeyUp;
constexpr std::uint32_t kExt = Keyboard::kExtendedKey;

struct Emitter {
  fake::Keyboard keyboard;
  ConsoleKeyEmitter emitter{keyboard};
};

TEST(ConsoleKeyEmitter, PressesAndReleasesInQueueOrderWithScanCodes) {
  const Ev shift{vk::Shift, 0x2A, 0}, shiftUp{vk::Shift, 0x2A, kUp}, ctrl{vk::Control, 0x1D, 0},
      ctrlUp{vk::Control, 0x1D, kUp}, a{'A', 0x1E, 0}, aUp{'A', 0x1E, kUp};
  // Shift, Ctrl and Alt each toggle in the queue: pressed at the first, released at the second.
  const std::pair<const char*, std::vector<Ev>> cases[] = {
      {"+a", {shift, a, aUp, shiftUp}},
      {"^c", {ctrl, {'C', 0x2E, 0}, {'C', 0x2E, kUp}, ctrlUp}},
      {"%a", {{vk::Menu, 0x38, 0}, a, aUp, {vk::Menu, 0x38, kUp}}},
      {"{BREAK}x", {ctrl, ctrlUp, {'X', 0x2D, 0}, {'X', 0x2D, kUp}}},
      {"{LEFT}", {{vk::Left, 0x4B, 0}, {vk::Left, 0x4B, kUp}}},  // arrows go without the extended flag
  };
  for (const auto& [keys, events] : cases) {
    Emitter e;
    EXPECT_EQ(e.emitter.SimSendKeys(keys), kParseOk);
    EXPECT_EQ(e.keyboard.events, events) << keys;
  }
}

TEST(ConsoleKeyEmitter, ClearsTheKeyStateAndSwitchesCapsLockOffAroundTheString) {
  Emitter e;
  e.keyboard.SetCapsLock(true);
  e.keyboard.state[vk::Shift] = 0x80;  // Shift held by the user
  const KeyboardState before = e.keyboard.state;
  e.emitter.SimSendKeys("aB");
  const Ev caps{vk::Capital, 69, kExt}, capsUp{vk::Capital, 69, kExt | kUp};
  EXPECT_THAT(e.keyboard.events, ElementsAre(caps, capsUp, Ev{'A', 0x1E, 0}, Ev{'A', 0x1E, kUp},  //
                                             Ev{vk::Shift, 0x2A, 0}, Ev{'B', 0x30, 0}, Ev{'B', 0x30, kUp},
                                             Ev{vk::Shift, 0x2A, kUp}, caps, capsUp));
  EXPECT_EQ(e.keyboard.stateWrites, 2) << "cleared, then restored";
  EXPECT_EQ(e.keyboard.state, before);
  EXPECT_TRUE(e.keyboard.capsLockOn);

  // Caps Lock as it was, Caps Lock events only when it is on; {CAPSLOCK} in the string leaves it inverted.
  const std::tuple<bool, const char*, std::size_t, bool> cases[] = {
      {false, "aB", 6, false}, {true, "", 4, true}, {false, "{CAPSLOCK}", 2, true}, {true, "{CAPSLOCK}", 6, false}};
  for (const auto& [caps, keys, count, after] : cases) {
    Emitter c;
    c.keyboard.SetCapsLock(caps);
    c.emitter.SimSendKeys(keys);
    EXPECT_EQ(c.keyboard.events.size(), count) << keys;
    EXPECT_EQ(c.keyboard.capsLockOn, after) << keys;
  }
}

// A character behind AltGr is typed with the right Alt key where that is AltGr: a left Ctrl and
// Alt would be taken for a Ctrl+Alt shortcut by applications that tell the two apart. The
// text's own Ctrl+Alt stays.
TEST(ConsoleKeyEmitter, AltGrCharactersComeFromTheRightAltKey) {
  fake::Keyboard german(test::GermanLayout());
  ConsoleKeyEmitter emitter(german);
  ASSERT_TRUE(german.RightAltIsAltGr());
  EXPECT_EQ(emitter.SimSendKeys("@"), kParseOk);
  const Ev altGr{vk::RMenu, 0x38, kExt};
  EXPECT_THAT(german.events, ElementsAre(altGr, Ev{'Q', 0x10, 0}, Ev{'Q', 0x10, kUp}, Ev{vk::RMenu, 0x38, kExt | kUp}));
  german.events.clear();
  EXPECT_EQ(emitter.SimSendKeys("^%a"), kParseOk);
  EXPECT_THAT(german.events, ElementsAre(Ev{vk::Control, 0x1D, 0}, Ev{vk::Menu, 0x38, 0}, Ev{'A', 0x1E, 0},
                                         Ev{'A', 0x1E, kUp}, Ev{vk::Menu, 0x38, kUp}, Ev{vk::Control, 0x1D, kUp}));
}

// Where Shift turns Caps Lock off and the Caps Lock key only turns it on, a Shift tap turns it off
// for the string and the Caps Lock key on again after it.
TEST(ConsoleKeyEmitter, ShiftTurnsCapsLockOffWhereTheUserChoseSo) {
  Emitter e;
  e.keyboard.shiftLock = true;
  e.keyboard.SetCapsLock(true);
  e.emitter.SimSendKeys("a");
  const Ev shift{vk::Shift, 0x2A, 0}, shiftUp{vk::Shift, 0x2A, kUp}, caps{vk::Capital, 69, kExt},
      capsUp{vk::Capital, 69, kExt | kUp};
  EXPECT_THAT(e.keyboard.events, ElementsAre(shift, shiftUp, Ev{'A', 0x1E, 0}, Ev{'A', 0x1E, kUp}, caps, capsUp));
  EXPECT_TRUE(e.keyboard.capsLockOn);
}

}  // namespace
}  // namespace tolvane
