#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "config/ProfileFile.h"
#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kConfig = "C:\\Tolvane\\default.tlv";

struct LifeHarness : Harness {
  explicit LifeHarness(const char* file = "[Tolvane]\r\n") {
    fp.profileStore.files[kConfig] = file;
    app.mainForm().captionChanged = [this](const std::string& c) { fp.journal.Add("Caption " + c); };
  }
  bool Start(ProgramInfo info = {"C:\\Tolvane", "Tolvane", ""}) { return app.Form_Load(info, 77); }
  std::optional<std::string> Saved(const char* key, const char* file = kConfig) {
    return ProfileFile::Parse(fp.profileStore.files[file]).Get("Tolvane", key);
  }
  // What an exit did, after the start's own effects.
  std::vector<std::string> Exit() {
    fp.journal.Clear();
    app.FileExit_Click();
    app.mainForm().Close();  // the close box after exit changes nothing
    return fp.journal.entries;
  }
  void AutoLoadMinimised() {
    app.mainForm().LoadWithWindows.SetValue(1);
    app.mainForm().SetWindowState(kMinimized);
  }
};

TEST(LifeCycle, StartUpOpensTheSavedPortUnderTheSplashThenShowsTheWindowOrTheIcon) {
  LifeHarness h("[Tolvane]\r\nComPort=2\r\n");
  ASSERT_TRUE(h.Start());
  const auto& j = h.fp.journal.entries;
  const auto at = [&j](const char* e) { return std::find(j.begin(), j.end(), e) - j.begin(); };
  EXPECT_LT(at("Caption Tolvane (Inactive)"), at("ShowModeless about"));
  EXPECT_LT(at("ShowModeless about"), at("PortOpen=1"));
  EXPECT_LT(at("Caption Tolvane (Active On COM2)"), at("NotifyIcon add"));
  EXPECT_LT(at("NotifyIcon add"), at("Unload about"));
  EXPECT_EQ(h.app.mainForm().ReturnGlyph.text, "(\r)");
  EXPECT_EQ(h.app.mainForm().TermKeyCombo.items.size(), 6u);
  EXPECT_EQ(h.app.mainForm().cboSound.items[4], "Question");
  EXPECT_EQ(h.app.window().about, nullptr) << "the splash is gone before the window shows";
  EXPECT_TRUE(h.app.mainForm().visible);

  h.app.window().ShowSplash();  // the about box without button or caption
  EXPECT_EQ(h.app.window().about->caption, "");
  EXPECT_EQ(h.app.window().about->outerHeight, 4950);
  EXPECT_FALSE(h.app.window().about->ControlVisible(*AboutSpec().Find("OkButton")));

  LifeHarness second("[Tolvane]\r\nComPort=2\r\n");  // leaves only its message
  second.fp.singleInstance.running = true;
  EXPECT_FALSE(second.Start());
  second.app.Form_Unload();
  EXPECT_THAT(second.fp.journal.entries, ElementsAre("MessageBox Tolvane is already running."));
  EXPECT_EQ(second.fp.profileStore.files[kConfig], "[Tolvane]\r\nComPort=2\r\n");

  // Minimised by the argument or the saved state, only the icon shows. Arguments, WindowState, shown:
  const std::tuple<const char*, const char*, bool> starts[] = {{"/M", "0", false}, {"/m", "0", true},
                                                               {"", "1", false}, {"", "2", true}};
  for (const auto& [arguments, state, visible] : starts) {
    LifeHarness m(("[Tolvane]\r\nWindowState=" + std::string(state) + "\r\n").c_str());
    m.Start({"C:\\Tolvane", "Tolvane", arguments});
    EXPECT_EQ(m.app.mainForm().visible, visible) << arguments << state;
  }
}

// Exit and the end of a session save once, with the start-at-logon entry written in the middle
// of the save, and remove the icon; only an exit tells of a failed save.
TEST(LifeCycle, ExitAndSessionEndShutDownOnce) {
  const std::vector<std::string> saved = {
      "ReadFile C:\\Tolvane\\default.tlv", "RunOnce set Tolvane=C:\\Tolvane\\Tolvane.EXE /M",
      "WriteFile C:\\Tolvane\\default.tlv", "NotifyIcon delete"};
  LifeHarness exit;
  exit.Start();
  exit.AutoLoadMinimised();
  EXPECT_EQ(exit.Exit(), saved);
  EXPECT_EQ(exit.Saved("WindowState"), "1");
  EXPECT_FALSE(exit.app.mainForm().loaded);

  LifeHarness session;
  session.Start();
  session.AutoLoadMinimised();
  session.fp.profileStore.readOnly = true;
  session.fp.journal.Clear();
  session.app.QueryEndSession();
  EXPECT_TRUE(session.fp.journal.entries.empty()) << "asking ends nothing yet";
  session.app.EndSession(true);
  EXPECT_EQ(session.fp.journal.entries, saved) << "no message box while the session ends";
  EXPECT_EQ(session.Exit(), std::vector<std::string>{});
  EXPECT_FALSE(session.app.mainForm().loaded);

  LifeHarness cancelled;  // another program cancelled the logoff: Tolvane runs on
  cancelled.Start();
  cancelled.app.QueryEndSession();
  cancelled.app.EndSession(false);
  EXPECT_TRUE(cancelled.app.mainForm().loaded);
  cancelled.fp.profileStore.readOnly = true;
  EXPECT_THAT(cancelled.Exit(), testing::Contains("MessageBox Tolvane could not save its settings to "
                                                  "C:\\Tolvane\\default.tlv.\r\n\r\nAccess is denied."));
}

// A blank quotes the program part; UTF-8 outside the code page goes through unchanged; a
// window not minimised starts without /M.
TEST(LifeCycle, ProgramPathsAndTheQuotedStartupCommand) {
  LifeHarness root;
  root.Start({"D:\\", "TOLVANE", ""});
  EXPECT_EQ(root.app.programPath(), "D:\\TOLVANE.EXE");
  EXPECT_EQ(root.app.configPath(), "D:\\default.tlv");
  root.app.mainForm().LoadWithWindows.SetValue(1);
  root.Exit();
  EXPECT_EQ(root.fp.startupEntries.values["Tolvane"], "D:\\TOLVANE.EXE");
  EXPECT_EQ(root.Saved("WindowState", "D:\\default.tlv"), "0");

  for (const std::string folder : {"C:\\Program Files\\Tolvane", "C:\\T\u03A9lvane \u0416"}) {
    LifeHarness spaced;
    spaced.Start({folder, "tolvane", ""});
    spaced.AutoLoadMinimised();
    spaced.app.Form_Unload();
    EXPECT_EQ(spaced.fp.startupEntries.values["Tolvane"], "\"" + folder + "\\tolvane.EXE\" /M");
    EXPECT_EQ(spaced.app.programPath(), folder + "\\tolvane.EXE /M");
    EXPECT_TRUE(spaced.fp.profileStore.files.count(folder + "\\default.tlv"));
  }
}

}  // namespace
}  // namespace tolvane::test
