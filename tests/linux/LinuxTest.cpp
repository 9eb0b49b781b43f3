// The Linux program's own parts: its command line and texts, and the key presses it makes
// for a layout of libxkbcommon, recorded from a stand-in for the uinput device.
#include <gmock/gmock.h>
#include <linux/input-event-codes.h>

#include "keysynth/ConsoleKeyEmitter.h"
#include "keysynth/KeyNames.h"
#include "linux/CommandLine.h"
#include "linux/Typing.h"
#include "linux/TypingEngine.h"
#include "platform/VirtualKeys.h"

namespace tolvane::posix {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

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
  EXPECT_TRUE(ParseArguments({"--echo"}, error)->echo);
  EXPECT_FALSE(ParseArguments({}, error)->echo);
}

// The autostart entry starts the program on the same file from any folder: the path absolute,
// quoted where the desktop-entry format reserves a character, its escapes written as a string.
TEST(LinuxCommandLine, AutostartExecNamesTheFileAbsolutely) {
  EXPECT_EQ(AbsolutePath("my scanner.tlv", "/home/me/"), "/home/me/my scanner.tlv");
  EXPECT_EQ(AbsolutePath("./a.tlv", "/"), "/a.tlv");
  EXPECT_EQ(AbsolutePath("/etc/a.tlv", "/home/me"), "/etc/a.tlv");
  EXPECT_EQ(DesktopExec({"/usr/bin/tolvane", "--config", "/home/me/my scanner.tlv"}),
            "/usr/bin/tolvane --config \"/home/me/my scanner.tlv\"");
  EXPECT_EQ(DesktopExec({"/opt/t", "--config", "/h/$x `a` \"q\" 100% b\\c.tlv"}),
            "/opt/t --config \"/h/\\\\$x \\\\`a\\\\` \\\\\"q\\\\\" 100%% b\\\\\\\\c.tlv\"");
  EXPECT_EQ(DesktopExec({"/opt/t", "--config", "/h/50%.tlv"}), "/opt/t --config /h/50%%.tlv");
}

// What a user without uinput is told: a missing device is a module not loaded, not a permission.
TEST(LinuxTyping, WhyUinputCannotBeUsed) {
  EXPECT_THAT(UinputUnavailable("/nonexistent/uinput"),
              ::testing::AllOf(::testing::HasSubstr("does not exist"), ::testing::HasSubstr("modprobe uinput")));
  EXPECT_EQ(UinputUnavailable("/dev/null"), "") << "a device this user can write";
}

// A uinput device that cannot type what no key has, as the real one: a press as its evdev code, a
// release as the code's negative.
struct Recorder : KeyOutput, SystemKeyState {
  void Key(xkb_keycode_t code, bool down) override {
    const int evdev = static_cast<int>(code) - 8;
    events.push_back(down ? evdev : -evdev);
  }
  void Flush() override {}
  std::int16_t GetKeyState(std::uint8_t key) const override { return key == vk::Capital ? capsLock : 0; }
  std::vector<int> events;
  std::int16_t capsLock = 0;
};

// The key events of a batch; none when it was refused. With console set, through the console path.
std::vector<int> Typed(const char* layout, const std::string& text, bool capsLock = false, bool console = false) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = KeymapFromNames(context, layout, "");
  Recorder out;
  out.capsLock = capsLock;
  {
    XkbLayout xkb(keymap);
    TypingEngine engine("uinput", xkb, out, out);
    const bool delivered = console ? ConsoleKeyEmitter(engine.keyboard()).SimSendKeys(text) == kParseOk
                                   : engine.sendKeys().SendBatch({text}, true).delivered;
    EXPECT_EQ(delivered, !out.events.empty()) << text;
  }
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
  return out.events;
}

TEST(LinuxTyping, KeyPressesForTheLayout) {
  constexpr int Shift = KEY_LEFTSHIFT, AltGr = KEY_RIGHTALT, Ctrl = KEY_LEFTCTRL, Alt = KEY_LEFTALT;
  // a, Z (Shift + the key left of U on German keyboards), @ (AltGr + Q).
  EXPECT_THAT(Typed("de", "aZ@"),
              ElementsAre(KEY_A, -KEY_A, Shift, KEY_Y, -KEY_Y, -Shift, AltGr, KEY_Q, -KEY_Q, -AltGr));
  EXPECT_THAT(Typed("us", "aZ@"),
              ElementsAre(KEY_A, -KEY_A, Shift, KEY_Z, -KEY_Z, -Shift, Shift, KEY_2, -KEY_2, -Shift));
  // Caps Lock on: a lower-case letter takes Shift; so does a French digit, Caps Lock being no
  // Shift for the digit row there.
  EXPECT_THAT(Typed("us", "a", true), ElementsAre(Shift, KEY_A, -KEY_A, -Shift));
  EXPECT_THAT(Typed("fr", "1", true), ElementsAre(Shift, KEY_1, -KEY_1, -Shift));
  // A character no key types alone: the dead key and a blank; a batch with one no key or
  // sequence types is not typed at all.
  EXPECT_THAT(Typed("de", "{^}"), ElementsAre(KEY_GRAVE, -KEY_GRAVE, KEY_SPACE, -KEY_SPACE));
  EXPECT_THAT(Typed("us", "a\xE9{ENTER}"), IsEmpty()) << "nothing of a batch with a character no key types";
  EXPECT_THAT(Typed("us", "{F9}{HOME}"), ElementsAre(KEY_F9, -KEY_F9, KEY_HOME, -KEY_HOME));
  // The console path's AltGr is the third-level key too; the text's own Ctrl+Alt stays.
  EXPECT_THAT(Typed("de", "@", false, true), ElementsAre(AltGr, KEY_Q, -KEY_Q, -AltGr));
  EXPECT_THAT(Typed("de", "^%{DEL}"), ElementsAre(Ctrl, Alt, KEY_DELETE, -KEY_DELETE, -Alt, -Ctrl));
}

// A key name without a Linux key code would be dropped in silence by the Linux program (the send-keys
// tests type every name on every Windows layout, with its scan code).
TEST(LinuxTyping, EveryKeyNameHasALinuxKey) {
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = KeymapFromNames(context, "us", "");
  const XkbLayout us(keymap);
  for (const KeyNameRow& row : KeyNameTable()) EXPECT_NE(us.KeyCode(row.vk), 0u) << row.name;
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
}

}  // namespace
}  // namespace tolvane::posix
