#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/ProfileFile.h"
#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const ProgramInfo kProgram{"C:\\Tolvane", "Tolvane", ""};
constexpr const char* kConfig = "C:\\Tolvane\\default.tlv";

struct LifeHarness : Harness {
  LifeHarness() {
    app.mainForm().captionChanged = [this](const std::string& c) { fp.journal.Add("Caption " + c); };
  }
  bool Start(const ProgramInfo& info = kProgram) { return app.Form_Load(info, 77); }
  ProfileFile SavedFile() { return ProfileFile::Parse(fp.profileStore.files[kConfig]); }
};

TEST(LifeCycle, StartUpRunsInItsOrder) {
  LifeHarness h;
  h.fp.profileStore.files[kConfig] = "[Tolvane]\r\nComPort=2\r\n";
  ASSERT_TRUE(h.Start());
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("MousePointer hourglass", "Caption Tolvane (Inactive)", "ShowModeless about", "Refresh about",
                          "ReadFile C:\\Tolvane\\default.tlv", "CommPort=2", "Settings=9600,N,8,1", "DTREnable=1",
                          "Handshaking=0", "RTSEnable=1", "PortOpen=1", "Caption Tolvane (Active On COM2)",
                          "NotifyIcon add", "Unload about", "MousePointer default"));
  EXPECT_EQ(h.app.mainForm().ReturnGlyph.text, "(\r)");
  EXPECT_EQ(h.app.programPath(), "C:\\Tolvane\\Tolvane.EXE");
  EXPECT_THAT(h.app.mainForm().TermKeyCombo.items, ElementsAre("{ENTER}", "{TAB}", "{DOWN}", "{RIGHT}", "{LEFT}", "{UP}"));
  EXPECT_THAT(h.app.mainForm().cboSound.items,
              ElementsAre("Default Sound", "Asterisk", "Exclamation", "Hand", "Question"));
  EXPECT_EQ(h.app.window().about, nullptr) << "the splash is gone before the window shows";
  EXPECT_TRUE(h.app.mainForm().visible);
}

TEST(LifeCycle, SplashIsTheAboutBoxWithoutButtonOrCaption) {
  LifeHarness h;
  h.app.window().ShowSplash();
  const About& splash = *h.app.window().about;
  EXPECT_EQ(splash.caption, "");
  EXPECT_EQ(splash.outerHeight, 4950);
  EXPECT_FALSE(splash.ControlVisible(*AboutSpec().Find("OkButton")));
  EXPECT_TRUE(splash.ControlVisible(*AboutSpec().Find("WarningLabel")));
  h.fp.clock.now.year = 2031;
  h.app.window().mnuAbout_Click();  // a later opening has its button and caption again
  EXPECT_THAT(h.fp.journal.With("ShowModal"), ElementsAre("ShowModal about"));
}

TEST(LifeCycle, SecondCopyShowsOnlyTheMessageAndLeavesNoTrace) {
  LifeHarness h;
  h.fp.singleInstance.running = true;
  h.fp.profileStore.files[kConfig] = "[Tolvane]\r\nComPort=2\r\n";
  EXPECT_FALSE(h.Start());
  h.app.Form_Unload();
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBox Tolvane is already running."));
  EXPECT_EQ(h.fp.profileStore.files[kConfig], "[Tolvane]\r\nComPort=2\r\n");
}

TEST(LifeCycle, MinimisedStartsLeaveOnlyTheIcon) {
  const struct {
    const char* arguments;
    const char* stored;
    bool visible;
  } cases[] = {{"/M", "0", false}, {"/m", "0", true}, {"", "1", false}, {"", "2", true}};
  for (const auto& c : cases) {
    LifeHarness h;
    h.fp.profileStore.files[kConfig] = std::string("[Tolvane]\r\nWindowState=") + c.stored + "\r\n";
    h.Start({"C:\\Tolvane", "Tolvane", c.arguments});
    EXPECT_EQ(h.app.mainForm().visible, c.visible) << c.arguments << " " << c.stored;
    EXPECT_THAT(h.fp.journal.With("NotifyIcon"), ElementsAre("NotifyIcon add"));
  }
}

TEST(LifeCycle, ExitSavesUpdatesTheEntryAndRemovesTheIconOnce) {
  LifeHarness h;
  h.Start();
  h.app.mainForm().LoadWithWindows.SetValue(1);
  h.app.mainForm().SetWindowState(kMinimized);
  h.fp.journal.Clear();
  h.app.FileExit_Click();
  h.app.mainForm().Close();  // the close box after exit changes nothing
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("ReadFile C:\\Tolvane\\default.tlv", "RunOnce set Tolvane=C:\\Tolvane\\Tolvane.EXE /M",
                          "WriteFile C:\\Tolvane\\default.tlv", "NotifyIcon delete"));
  EXPECT_EQ(h.SavedFile().Get("Tolvane", "WindowState"), "1");
  EXPECT_FALSE(h.app.mainForm().loaded);

  LifeHarness normal;
  normal.Start();
  normal.app.mainForm().LoadWithWindows.SetValue(1);
  normal.app.mainForm().Close();
  EXPECT_EQ(normal.fp.startupEntries.values["Tolvane"], "C:\\Tolvane\\Tolvane.EXE");
  EXPECT_EQ(normal.SavedFile().Get("Tolvane", "WindowState"), "0");
}

TEST(LifeCycle, SessionEndRunsShutDownOnceWithoutDialogs) {
  LifeHarness h;
  h.Start();
  h.app.mainForm().LoadWithWindows.SetValue(1);
  h.app.mainForm().SetWindowState(kMinimized);
  h.fp.profileStore.readOnly = true;
  h.fp.journal.Clear();
  h.app.QueryEndSession();
  EXPECT_THAT(h.fp.journal.entries, IsEmpty()) << "asking does not end anything yet";
  h.app.EndSession(true);
  h.app.mainForm().Close();  // a close that follows changes nothing
  h.app.FileExit_Click();
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("ReadFile C:\\Tolvane\\default.tlv", "RunOnce set Tolvane=C:\\Tolvane\\Tolvane.EXE /M",
                          "WriteFile C:\\Tolvane\\default.tlv", "NotifyIcon delete"))
      << "no message box while the session ends, even for a failed save";
  EXPECT_FALSE(h.app.mainForm().loaded);

  // A logoff that another program cancelled leaves Tolvane running; a later exit is normal.
  LifeHarness cancelled;
  cancelled.Start();
  cancelled.app.QueryEndSession();
  cancelled.app.EndSession(false);
  EXPECT_TRUE(cancelled.app.mainForm().loaded);
  cancelled.fp.profileStore.readOnly = true;
  cancelled.app.FileExit_Click();
  EXPECT_THAT(cancelled.fp.journal.With("MessageBox"), ElementsAre("MessageBox " + SaveFailedText(kConfig, "Access is denied.")));
}

TEST(LifeCycle, AFailedSaveAtExitIsToldWithTheFileAndTheReason) {
  LifeHarness h;
  h.Start();
  h.fp.profileStore.readOnly = true;
  h.fp.journal.Clear();
  h.app.FileExit_Click();
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("ReadFile C:\\Tolvane\\default.tlv", "RunOnce remove Tolvane",
                          "WriteFile C:\\Tolvane\\default.tlv",
                          "MessageBox Tolvane could not save its settings to C:\\Tolvane\\default.tlv.\r\n\r\n"
                          "Access is denied.",
                          "NotifyIcon delete"));
}

TEST(LifeCycle, ProgramPathsAndTheQuotedStartupCommand) {
  LifeHarness root;
  root.Start({"D:\\", "TOLVANE", ""});
  EXPECT_EQ(root.app.programPath(), "D:\\TOLVANE.EXE");
  EXPECT_EQ(root.app.configPath(), "D:\\default.tlv");

  LifeHarness spaced;
  spaced.Start({"C:\\Program Files\\Tolvane", "tolvane", ""});
  spaced.app.mainForm().LoadWithWindows.SetValue(1);
  spaced.app.mainForm().SetWindowState(kMinimized);
  spaced.app.Form_Unload();
  EXPECT_EQ(spaced.fp.startupEntries.values["Tolvane"], "\"C:\\Program Files\\Tolvane\\tolvane.EXE\" /M");
  EXPECT_EQ(spaced.app.programPath(), "C:\\Program Files\\Tolvane\\tolvane.EXE /M");

  // The UTF-8 of a folder name outside the code page goes through unchanged; its blank quotes.
  const std::string folder = "C:\\T\u03A9lvane \u0416";
  LifeHarness foreign;
  foreign.fp.profileStore.files[folder + "\\default.tlv"] = "[Tolvane]\r\nAutoLoad=1\r\n";
  foreign.Start({folder, "Tolvane", ""});
  foreign.app.Form_Unload();
  EXPECT_EQ(foreign.fp.startupEntries.values["Tolvane"], "\"" + folder + "\\Tolvane.EXE\"");
  EXPECT_THAT(foreign.fp.profileStore.files, ::testing::SizeIs(1)) << "saved where it was read";
}

}  // namespace
}  // namespace tolvane::test
