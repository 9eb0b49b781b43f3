// The Linux program's own parts: its command line and texts, and the key presses it makes
// for a layout of libxkbcommon, recorded from a stand-in for the uinput device.
#include <gmock/gmock.h>
#include <linux/input-event-codes.h>

#include "keysynth/ConsoleKeyEmitter.h"
#include "keysynth/KeyNames.h"
#include "linux/CommandLine.h"
#include "linux/Typing.h"
#include "linux/TypingEngine.h"
#include "tests/support/TableLayout.h"

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

// A uinput device that cannot type what no key has, as the real one; keys by their evdev codes.
struct Recorder : KeyOutput, SystemKeyState {
  void Key(xkb_keycode_t code, bool down) override { events.push_back((down ? "+" : "-") + std::to_string(code - 8)); }
  void Flush() override {}
  std::int16_t GetKeyState(std::uint8_t key) const override { return key == vk::Capital ? capsLock : 0; }
  std::vector<std::string> events;
  std::int16_t capsLock = 0;
};

// The key events of a batch; none when it was refused. With console set, through the console path.
std::vector<std::string> Typed(const char* layout, const std::string& text, bool capsLock = false,
                               bool console = false) {
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

// A key's press and release, as the recorder writes them.
std::string Down(int code) { return "+" + std::to_string(code); }
std::string Up(int code) { return "-" + std::to_string(code); }

TEST(LinuxTyping, KeyPressesForTheLayout) {
  const auto tap = [](int code) { return std::vector<std::string>{Down(code), Up(code)}; };
  const auto join = [](std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
  };
  // a, Z (Shift + the key left of U on German keyboards), @ (AltGr + Q).
  EXPECT_EQ(Typed("de", "aZ@"), join({tap(KEY_A),
                                      {Down(KEY_LEFTSHIFT)},
                                      tap(KEY_Y),
                                      {Up(KEY_LEFTSHIFT)},
                                      {Down(KEY_RIGHTALT)},
                                      tap(KEY_Q),
                                      {Up(KEY_RIGHTALT)}}));
  EXPECT_EQ(Typed("us", "aZ@"), join({tap(KEY_A),
                                      {Down(KEY_LEFTSHIFT)},
                                      tap(KEY_Z),
                                      {Up(KEY_LEFTSHIFT)},
                                      {Down(KEY_LEFTSHIFT)},
                                      tap(KEY_2),
                                      {Up(KEY_LEFTSHIFT)}}));
  // Caps Lock on: a lower-case letter takes Shift; so does a French digit, Caps Lock being no
  // Shift for the digit row there.
  EXPECT_EQ(Typed("us", "a", true), join({{Down(KEY_LEFTSHIFT)}, tap(KEY_A), {Up(KEY_LEFTSHIFT)}}));
  EXPECT_EQ(Typed("fr", "1", true), join({{Down(KEY_LEFTSHIFT)}, tap(KEY_1), {Up(KEY_LEFTSHIFT)}}));
  // A character no key types alone: the dead key and a blank; one with no key at all is
  // reported and not typed.
  EXPECT_EQ(Typed("de", "{^}"), join({tap(KEY_GRAVE), tap(KEY_SPACE)}));
  EXPECT_THAT(Typed("us", "a\xE9{ENTER}"), IsEmpty()) << "nothing of a batch with a character no key types";
  EXPECT_EQ(Typed("us", "{F9}{HOME}"), join({tap(KEY_F9), tap(KEY_HOME)}));
  // The console path's AltGr is the third-level key too; the text's own Ctrl+Alt stays.
  EXPECT_EQ(Typed("de", "@", false, true), join({{Down(KEY_RIGHTALT)}, tap(KEY_Q), {Up(KEY_RIGHTALT)}}));
  EXPECT_EQ(Typed("de", "^%{DEL}"),
            join({{Down(KEY_LEFTCTRL), Down(KEY_LEFTALT)}, tap(KEY_DELETE), {Up(KEY_LEFTALT), Up(KEY_LEFTCTRL)}}));
}

// A key name without a Linux key code would be dropped in silence by the Linux program; one
// without a Windows scan code would reach applications that read scan codes as nothing.
TEST(LinuxTyping, EveryKeyNameHasAKeyOnBothSystems) {
  const auto& scans = test::UsLayout().scanCodes;
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = KeymapFromNames(context, "us", "");
  const XkbLayout us(keymap);
  for (const KeyNameRow& row : KeyNameTable()) {
    EXPECT_NE(us.KeyCode(row.vk), 0u) << row.name;
    // Help has no scan code on Windows; the system sends it by its virtual key alone.
    const bool needed = row.vk != vk::Help;
    EXPECT_TRUE(!needed || (scans.count(row.vk) && scans.at(row.vk))) << row.name;
  }
  xkb_keymap_unref(keymap);
  xkb_context_unref(context);
}

}  // namespace
}  // namespace tolvane::posix
