#include "config/Configuration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/ProfileFile.h"
#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kPath = "C:\\Tolvane\\default.tlv";

struct ConfigHarness : Harness {
  explicit ConfigHarness(const std::string& file = "", const std::string& arguments = "") {
    app.configPath() = kPath;
    app.programPath() = "C:\\Tolvane\\TOLVANE.EXE";
    app.mainForm().cboSound.items = {"Default Sound", "Asterisk", "Exclamation", "Hand", "Question"};
    fp.profileStore.files[kPath] = file;
    app.LoadSettings(arguments);
  }
  ProfileFile Saved() {
    EXPECT_TRUE(app.SaveSettings());
    return ProfileFile::Parse(fp.profileStore.files[kPath]);
  }
};

TEST(Configuration, FirstStartWithoutAFileAndTheFileOfTheFirstExit) {
  ConfigHarness h;
  EXPECT_FALSE(h.app.mainForm().cboSound.enabled) << "an unchecked Beep greys the sound list";
  EXPECT_FALSE(h.fp.serial.PortOpen());
  EXPECT_EQ(h.app.keyTrans()['$'], "{F9}");

  h.Saved();
  const std::string& saved = h.fp.profileStore.files[kPath];
  EXPECT_EQ(saved.substr(0, saved.find("KeyTrans0=")),
            "[Tolvane]\r\nComPort=0\r\nDOSTarget=0\r\nBeepSound=0\r\nScannerBeepString=\r\nHandshake=0\r\nBeep=0\r\n"
            "AutoLoad=0\r\nNumericFilter=0\r\nIgnoreDups=0\r\nRemoveReturns=0\r\nPostamble=\r\nWindowState=0\r\n"
            "Settings=9600,N,8,1\r\nPassword=\r\n");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1 + 14 + 256);
  EXPECT_NE(saved.find("KeyTrans13={ENTER}\r\n"), std::string::npos);
  EXPECT_NE(saved.find("KeyTrans255=\xFF\r\n"), std::string::npos);
  EXPECT_THAT(h.fp.journal.With("RunOnce"), ElementsAre("RunOnce remove Tolvane"));
}

TEST(Configuration, LoadsEveryKeyIntoItsOwnerOpensTheSavedPortAndSavesItBack) {
  ConfigHarness h("[Tolvane]\r\nHandshake=1\r\nDOSTarget=1\r\nBeep=1\r\nBeepSound=3\r\nScannerBeepString=27,7\r\n"
                  "AutoLoad=1\r\nRemoveReturns=1\r\nNumericFilter=1\r\nIgnoreDups=2\r\nPostamble={TAB}{TAB}\r\n"
                  "Settings=19200,E,7,2\r\nPassword=Secret\r\nComPort=3\r\nKeyTrans36=$\r\nKeyTrans65=\r\n"
                  "WindowState=2\r\n");
  const MainForm& f = h.app.mainForm();
  EXPECT_EQ(h.app.dosTarget(), 1);
  EXPECT_TRUE(f.cboSound.enabled);
  EXPECT_EQ(f.cboSound.listIndex, 3);
  EXPECT_EQ(h.app.serialSettings().ScannerBeepString, "27,7");
  EXPECT_TRUE(f.LoadWithWindows.Checked() && f.RemoveCRs.Checked() && f.NumFilter.Checked());
  EXPECT_TRUE(f.IgnoreDups.Checked()) << "greyed counts as checked";
  EXPECT_EQ(f.TermKeyCombo.text, "{TAB}{TAB}");
  EXPECT_EQ(h.app.serialSettings().StopBitsIndex, 2);
  EXPECT_EQ(h.app.password(), "Secret");
  EXPECT_EQ(h.app.keyTrans()['$'], "$");
  EXPECT_EQ(h.app.keyTrans()['A'], "") << "present but empty";
  EXPECT_EQ(h.app.keyTrans()['B'], "B") << "missing keeps the built-in entry";
  EXPECT_EQ(f.windowState, kMaximized);
  // COM3 opened during the load with the same file's settings and flow control.
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("ReadFile C:\\Tolvane\\default.tlv", "CommPort=3", "Settings=19200,E,7,2", "DTREnable=1",
                          "Handshaking=3", "RTSEnable=1", "PortOpen=1"));

  h.app.mainForm().windowState = kMinimized;
  const ProfileFile saved = h.Saved();
  EXPECT_EQ(saved.Get("Tolvane", "IgnoreDups"), "2");
  EXPECT_EQ(saved.Get("Tolvane", "KeyTrans65"), "");
  EXPECT_THAT(h.fp.journal.With("RunOnce"), ElementsAre("RunOnce set Tolvane=C:\\Tolvane\\TOLVANE.EXE /M"));

  ConfigHarness greyed("[Tolvane]\r\nAutoLoad=2\r\n");
  greyed.Saved();
  EXPECT_THAT(greyed.fp.journal.With("RunOnce"), ElementsAre("RunOnce remove Tolvane")) << "only 1 writes it";
}

TEST(Configuration, IntegersAreReadAsNumbersAndOutOfRangeValuesTakeTheDefault) {
  const std::pair<const char*, std::int16_t> beeps[] = {{" 1", 1}, {"1.5", 2}, {"2.5", 2}, {"abc", 0},   {"1 2", 0},
                                                        {"3", 0},  {"-1", 0},  {"0.6", 1}, {"99999", 0}, {"&H1", 1}};
  for (const auto& [text, value] : beeps) {
    ConfigHarness h(std::string("[Tolvane]\r\nBeep=") + text + "\r\n");
    EXPECT_EQ(h.app.mainForm().BeepOnInput.value, value) << text;
  }
  ConfigHarness h("[Tolvane]\r\nHandshake=7\r\nBeepSound=5\r\nComPort=17\r\nWindowState=3\r\nDOSTarget=70000\r\n");
  EXPECT_EQ(h.app.serialSettings().FlowCtrlIndex, 0);
  EXPECT_EQ(h.app.mainForm().cboSound.listIndex, 0);
  EXPECT_EQ(h.app.mainForm().windowState, kNormal);
  EXPECT_EQ(h.app.dosTarget(), 0);
  EXPECT_TRUE(h.fp.journal.With("PortOpen").empty()) << "no port opened";

  ConfigHarness none("[Tolvane]\r\nBeepSound=-1\r\nComPort=-1\r\n");  // lists without a selection
  EXPECT_EQ(none.app.mainForm().cboSound.listIndex, -1);
  EXPECT_EQ(none.Saved().Get("Tolvane", "ComPort"), "-1");

  for (const auto& [arguments, state] : {std::pair{"/M", kMinimized}, {"-x /Mini", kMinimized}, {"/m", kNormal}})
    EXPECT_EQ(ConfigHarness("[Tolvane]\r\nWindowState=0\r\n", arguments).app.mainForm().windowState, state);
}

// Comments, unknown keys and long values survive a save; a file of garbage gives defaults and
// a sound file.
TEST(Configuration, WhatTheFileHoldsSurvives) {
  const std::string longText(250, 'p');
  ConfigHarness h("; set up by IT\r\n[Tolvane]\r\nPostamble=" + longText + "\r\nCustom=mine\r\n[Other]\r\nx=1\r\n");
  EXPECT_EQ(h.app.mainForm().TermKeyCombo.text, longText) << "read in full";
  h.app.password() = "pass word ";
  const ProfileFile back = h.Saved();
  const std::string& file = h.fp.profileStore.files[kPath];
  EXPECT_EQ(file.rfind("; set up by IT\r\n[Tolvane]\r\nPostamble=", 0), 0u) << "edited in place";
  EXPECT_EQ(back.Get("Tolvane", "Custom"), "mine");
  EXPECT_EQ(back.Get("Other", "x"), "1");
  EXPECT_EQ(back.Get("Tolvane", "Password"), "pass word ") << "a trailing blank is kept";

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
  for (const std::string& garbage : {binary, std::string("[Tolvane"), std::string(3, '\0')}) {
    ConfigHarness g(garbage);
    EXPECT_EQ(g.app.serialSettings().PortSettings, "9600,N,8,1");
    EXPECT_EQ(g.Saved().Get("Tolvane", "KeyTrans43"), "{+}");
  }
}

}  // namespace
}  // namespace tolvane::test
