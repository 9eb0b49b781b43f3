#include "keysynth/KeyEmitter.h"

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
  KeyEmitter emitter{keyboard};
};

TEST(KeyEmitter, PressesAndReleasesInQueueOrderWithScanCodes) {
  const Ev enter{13, 0x1C, 0}, enterUp{13, 0x1C, kUp}, shift{16, 0x2A, 0}, shiftUp{16, 0x2A, kUp};
  const Ev ctrl{17, 0x1D, 0}, ctrlUp{17, 0x1D, kUp}, a{65, 0x1E, 0}, aUp{65, 0x1E, kUp};
  const std::pair<const char*, std::vector<Ev>> cases[] = {
      {"{ENTER}", {enter, enterUp}},
      {"+a", {shift, a, aUp, shiftUp}},
      {"^c", {ctrl, {67, 0x2E, 0}, {67, 0x2E, kUp}, ctrlUp}},
      {"{BREAK}x", {ctrl, ctrlUp, {88, 0x2D, 0}, {88, 0x2D, kUp}}},
      {"{LEFT}", {{37, 0x4B, 0}, {37, 0x4B, kUp}}},      // arrows go without the extended flag
      {"+A", {shift, shiftUp, a, aUp, shift, shiftUp}},  // Shift toggles on and off around A
  };
  for (const auto& [keys, events] : cases) {
    Emitter e;
    EXPECT_EQ(e.emitter.SimSendKeys(keys), kParseOk);
    EXPECT_EQ(e.keyboard.events, events) << keys;
  }
}

TEST(KeyEmitter, ClearsTheKeyStateAndSwitchesCapsLockOffAroundTheString) {
  Emitter e;
  e.keyboard.SetCapsLock(true);
  e.keyboard.state[16] = 0x80;  // Shift held by the user
  const KeyState before = e.keyboard.state;
  e.emitter.SimSendKeys("aB");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{20, 69, kExt}, Ev{20, 69, kExt | kUp},               //
                                             Ev{65, 0x1E, 0}, Ev{65, 0x1E, kUp}, Ev{16, 0x2A, 0},    //
                                             Ev{66, 0x30, 0}, Ev{66, 0x30, kUp}, Ev{16, 0x2A, kUp},  //
                                             Ev{20, 69, kExt}, Ev{20, 69, kExt | kUp}));
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

TEST(KeyEmitter, FailedParseTouchesNothingAndLeavesNothingBehind) {
  Emitter e;
  e.keyboard.SetCapsLock(true);
  EXPECT_EQ(e.emitter.SimSendKeys("{FOO}"), kUnknownKeyName);
  EXPECT_EQ(e.emitter.SimSendKeys("ab{a 0}"), kBadRepeatCount);
  EXPECT_EQ(e.emitter.SimSendKeys("+(ab"), kNoClosingParen);
  EXPECT_THAT(e.keyboard.events, testing::IsEmpty());
  EXPECT_EQ(e.keyboard.stateWrites, 0);
  e.keyboard.SetCapsLock(false);
  e.emitter.SimSendKeys("x");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{88, 0x2D, 0}, Ev{88, 0x2D, kUp}));
  EXPECT_FALSE(e.emitter.NextKeyEvent());
}

}  // namespace
}  // namespace tolvane
