#include "keysynth/KeyEmitter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/fake/Keyboard.h"

namespace tolvane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Ev = fake::RecordedKeyEvent;

constexpr std::uint32_t kUp = Keyboard::kKeyUp;
constexpr std::uint32_t kExt = Keyboard::kExtendedKey;

struct Emitter {
  fake::Keyboard keyboard;
  KeyEmitter emitter{keyboard};
};

TEST(KeyEmitter, PressesAndReleasesInQueueOrderWithScanCodes) {
  Emitter e;
  EXPECT_EQ(e.emitter.SimSendKeys("{ENTER}"), kParseOk);
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{13, 0x1C, 0}, Ev{13, 0x1C, kUp}));

  e.keyboard.events.clear();
  e.emitter.SimSendKeys("+a");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{16, 0x2A, 0}, Ev{65, 0x1E, 0}, Ev{65, 0x1E, kUp}, Ev{16, 0x2A, kUp}));

  e.keyboard.events.clear();
  e.emitter.SimSendKeys("^c");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{17, 0x1D, 0}, Ev{67, 0x2E, 0}, Ev{67, 0x2E, kUp}, Ev{17, 0x1D, kUp}));

  e.keyboard.events.clear();
  e.emitter.SimSendKeys("{BREAK}x");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{17, 0x1D, 0}, Ev{17, 0x1D, kUp}, Ev{88, 0x2D, 0}, Ev{88, 0x2D, kUp}));

  e.keyboard.events.clear();  // arrows go without the extended flag
  e.emitter.SimSendKeys("{LEFT}");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{37, 0x4B, 0}, Ev{37, 0x4B, kUp}));

  e.keyboard.events.clear();  // +A: Shift goes down and up before the A
  e.emitter.SimSendKeys("+A");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{16, 0x2A, 0}, Ev{16, 0x2A, kUp}, Ev{65, 0x1E, 0}, Ev{65, 0x1E, kUp},
                                             Ev{16, 0x2A, 0}, Ev{16, 0x2A, kUp}));
}

TEST(KeyEmitter, ClearsTheKeyStateAndSwitchesCapsLockOffAroundTheString) {
  Emitter e;
  e.keyboard.SetCapsLock(true);
  e.keyboard.state[16] = 0x80;  // Shift held by the user
  const KeyState before = e.keyboard.state;
  e.emitter.SimSendKeys("aB");
  EXPECT_THAT(e.keyboard.events,
              ElementsAre(Ev{20, 69, kExt}, Ev{20, 69, kExt | kUp},                          //
                          Ev{65, 0x1E, 0}, Ev{65, 0x1E, kUp},                                //
                          Ev{16, 0x2A, 0}, Ev{66, 0x30, 0}, Ev{66, 0x30, kUp}, Ev{16, 0x2A, kUp},  //
                          Ev{20, 69, kExt}, Ev{20, 69, kExt | kUp}));
  EXPECT_EQ(e.keyboard.stateWrites, 2) << "cleared, then restored";
  EXPECT_EQ(e.keyboard.state, before);
  EXPECT_TRUE(e.keyboard.capsLockOn);

  Emitter off;
  off.emitter.SimSendKeys("aB");
  EXPECT_EQ(off.keyboard.events.size(), 6u) << "no Caps Lock events when it is off";

  Emitter empty;
  empty.keyboard.SetCapsLock(true);
  empty.emitter.SimSendKeys("");
  EXPECT_EQ(empty.keyboard.events.size(), 4u) << "only the two Caps Lock pairs";
}

TEST(KeyEmitter, FailedParseTouchesNothing) {
  Emitter e;
  e.keyboard.SetCapsLock(true);
  EXPECT_EQ(e.emitter.SimSendKeys("{FOO}"), kUnknownKeyName);
  EXPECT_EQ(e.emitter.SimSendKeys("ab{a 0}"), kBadRepeatCount);
  EXPECT_THAT(e.keyboard.events, IsEmpty());
  EXPECT_EQ(e.keyboard.stateWrites, 0);
}

TEST(KeyEmitter, CapsLockInTheStringLeavesItInverted) {
  for (const bool on : {true, false}) {
    Emitter e;
    e.keyboard.SetCapsLock(on);
    e.emitter.SimSendKeys("{CAPSLOCK}");
    EXPECT_EQ(e.keyboard.capsLockOn, !on);
  }
}

TEST(KeyEmitter, NothingCarriesOverBetweenCalls) {
  Emitter e;
  e.emitter.SimSendKeys("+(ab");  // fails: nothing typed, toggles untouched
  e.emitter.SimSendKeys("x");
  EXPECT_THAT(e.keyboard.events, ElementsAre(Ev{88, 0x2D, 0}, Ev{88, 0x2D, kUp}));
  EXPECT_FALSE(e.emitter.NextKeyEvent());
}

}  // namespace
}  // namespace tolvane
