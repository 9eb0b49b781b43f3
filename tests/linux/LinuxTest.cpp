// The Linux program's own parts: its command line and texts, and the key presses it makes
// for a layout of libxkbcommon, recorded from a stand-in for the uinput device.
#include <gmock/gmock.h>
#include <linux/input-event-codes.h>

#include "keysynth/KeyNames.h"
#include "linux/CommandLine.h"
#include "linux/TypingEngine.h"
#include "platform/VirtualKeys.h"

namespace tolvane::posix {
namespace {

using ::testing::ElementsAre;

TEST(LinuxCommandLine, OptionsAndTheirMistakes) {
  std::string error;
  const auto o = ParseArguments({"--config", "/tmp/a.tlv", "--typing=xtest", "--list-ports"}, error);
  ASSERT_TRUE(o);
  EXPECT_EQ(o->config, "/tmp/a.tlv");
  EXPECT_EQ(o->typing, "xtest");
  EXPECT_TRUE(o->listPorts);
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--config"}, {"--typing", "keyboard"}, {"--configs=x"}, {"-x"}, {"--config="}, {"file"}})
    EXPECT_FALSE(ParseArguments(bad, error)) << bad[0];
  EXPECT_EQ(DefaultConfigPath("/x/cfg", "/home/u"), "/x/cfg/tolvane/default.tlv");
  EXPECT_EQ(DefaultConfigPath("relative", "/home/u"), "/home/u/.config/tolvane/default.tlv");
  EXPECT_EQ(DevicePath("/dev/ttyUSB0", 3), "/dev/ttyUSB0");
  EXPECT_EQ(DevicePath("", 3), "/dev/ttyS2");
  EXPECT_EQ(StatusText("Tolvane (Active On COM1)", "/dev/ttyUSB0"), "Active on /dev/ttyUSB0");
  EXPECT_EQ(StatusText("Tolvane (Error: No such file or directory.)", ""), "Error: No such file or directory.");
  EXPECT_EQ(StatusText("Tolvane (Inactive)", ""), "Inactive");
  EXPECT_EQ(PrintableLine(std::string("A\r\t\x01\xE9\\", 6)), "A\\r\\t\\x01\\xE9\\\\");
}

// A uinput device that cannot type what no key has, as the real one: a press as its key code, a
// release as the code's negative, a character offered as a character as kUnicode plus its value.
constexpr int kUnicode = 1 << 16;
struct Recorder : KeyOutput, SystemKeyState {
  void Key(std::uint16_t code, bool down) override { events.push_back(down ? code : -code); }
  bool Unicode(char16_t c) override {
    events.push_back(kUnicode + c);
    return false;
  }
  void Flush() override {}
  std::int16_t GetKeyState(std::uint8_t key) const override { return key == vk::Capital ? capsLock : 0; }
  std::vector<int> events;
  std::int16_t capsLock = 0;
};

std::vector<int> Typed(const char* layout, const std::string& text, bool capsLock = false) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = KeymapFromNames(context, layout, "");
  Recorder out;
  out.capsLock = capsLock;
  {
    XkbLayout xkb(keymap);
    TypingEngine engine("uinput", xkb, out, out);
    EXPECT_TRUE(engine.sendKeys().SendBatch({text}, true).delivered);
  }
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  return out.events;
}

TEST(LinuxTyping, KeyPressesForTheLayout) {
  constexpr int Shift = KEY_LEFTSHIFT, AltGr = KEY_RIGHTALT;
  // a, Z (Shift + the key left of U on German keyboards), @ (AltGr + Q).
  EXPECT_THAT(Typed("de", "aZ@"),
              ElementsAre(KEY_A, -KEY_A, Shift, KEY_Y, -KEY_Y, -Shift, AltGr, KEY_Q, -KEY_Q, -AltGr));
  EXPECT_THAT(Typed("us", "aZ@"),
              ElementsAre(KEY_A, -KEY_A, Shift, KEY_Z, -KEY_Z, -Shift, Shift, KEY_2, -KEY_2, -Shift));
  // Caps Lock on: a lower-case letter takes Shift; so does a French digit, Caps Lock being no
  // Shift for the digit row there.
  EXPECT_THAT(Typed("us", "a", true), ElementsAre(Shift, KEY_A, -KEY_A, -Shift));
  EXPECT_THAT(Typed("fr", "1", true), ElementsAre(Shift, KEY_1, -KEY_1, -Shift));
  // A character no key types alone: the dead key and a blank; one with no key at all is
  // reported and not typed.
  EXPECT_THAT(Typed("de", "{^}"), ElementsAre(kUnicode + '^', KEY_GRAVE, -KEY_GRAVE, KEY_SPACE, -KEY_SPACE));
  EXPECT_THAT(Typed("us", "\xE9"), ElementsAre(kUnicode + 0xE9));
  EXPECT_THAT(Typed("us", "{F9}{HOME}"), ElementsAre(KEY_F9, -KEY_F9, KEY_HOME, -KEY_HOME));
}

// A key name without a Linux key code would be dropped in silence by the Linux program. (That
// every one has a Windows scan code the typing tests show on every layout.)
TEST(LinuxTyping, EveryKeyNameHasALinuxKeyCode) {
  for (const KeyNameRow& row : KeyNameTable()) EXPECT_NE(EvdevCode(row.vk), 0) << row.name;
}

}  // namespace
}  // namespace tolvane::posix
