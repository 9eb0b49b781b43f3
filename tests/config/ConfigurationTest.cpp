#include "config/Configuration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "config/ProfileFile.h"
#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kPath = "C:\\Tolvane\\default.tlv";

struct ConfigHarness : Harness {
  ConfigHarness() {
    app.configPath() = kPath;
    app.programPath() = "C:\\Tolvane\\TOLVANE.EXE";
    app.mainForm().cboSound.items = {"Default Sound", "Asterisk", "Exclamation", "Hand", "Question"};
  }
  void Load(const std::string& file, const std::string& arguments = "") {
    fp.profileStore.files[kPath] = file;
    app.LoadSettings(arguments);
  }
  std::string Saved() {
    EXPECT_TRUE(app.SaveSettings());
    return fp.profileStore.files[kPath];
  }
  const std::vector<std::string>& Effects() const { return fp.journal.entries; }
  std::optional<std::string> SavedValue(const char* key) { return ProfileFile::Parse(Saved()).Get("Tolvane", key); }
};

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < file.size()) {
    const auto end = file.find("\r\n", pos);
    out.push_back(file.substr(pos, end - pos));
    pos = end + 2;
  }
  return out;
}

TEST(Configuration, FirstStartWithoutAFileAndTheFileOfTheFirstExit) {
  ConfigHarness h;
  h.app.LoadSettings("");
  const MainForm& f = h.app.mainForm();
  for (const CheckBox* box : {&f.BeepOnInput, &f.LoadWithWindows, &f.RemoveCRs, &f.NumFilter, &f.IgnoreDups,
                              &f.chkDOSTarget})
    EXPECT_EQ(box->value, 0);
  EXPECT_EQ(f.cboSound.listIndex, 0);
  EXPECT_FALSE(f.cboSound.enabled) << "an unchecked Beep leaves the sound list unavailable";
  EXPECT_EQ(f.TermKeyCombo.text, "");
  EXPECT_EQ(f.PortList.listIndex, 0);
  EXPECT_FALSE(h.fp.serial.PortOpen());
  EXPECT_EQ(h.app.serialSettings().PortSettings, "9600,N,8,1");
  EXPECT_EQ(h.app.serialSettings().BaudIndex, 6);
  EXPECT_EQ(h.app.password(), "");
  EXPECT_EQ(h.app.keyTrans()['$'], "{F9}");
  EXPECT_EQ(f.windowState, kNormal);

  const auto lines = Lines(h.Saved());
  ASSERT_EQ(lines.size(), 1u + 14 + 256);
  EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.begin() + 15),
              ElementsAre("[Tolvane]", "ComPort=0", "DOSTarget=0", "BeepSound=0", "ScannerBeepString=", "Handshake=0",
                          "Beep=0", "AutoLoad=0", "NumericFilter=0", "IgnoreDups=0", "RemoveReturns=0", "Postamble=",
                          "WindowState=0", "Settings=9600,N,8,1", "Password="));
  EXPECT_EQ(lines[15], "KeyTrans0=");
  EXPECT_EQ(lines[15 + 13], "KeyTrans13={ENTER}");
  EXPECT_EQ(lines[15 + 32], "KeyTrans32={ }");
  EXPECT_EQ(lines[15 + 65], "KeyTrans65=A");
  EXPECT_EQ(lines.back(), "KeyTrans255=\xFF");
  EXPECT_THAT(h.fp.journal.With("RunOnce"), ElementsAre("RunOnce remove Tolvane"));
}

TEST(Configuration, LoadsEveryKeyIntoItsOwnerAndOpensTheSavedPort) {
  ConfigHarness h;
  h.Load(
      "[Tolvane]\r\nHandshake=1\r\nDOSTarget=1\r\nBeep=1\r\nBeepSound=3\r\nScannerBeepString=27,7\r\nAutoLoad=1\r\n"
      "RemoveReturns=1\r\nNumericFilter=1\r\nIgnoreDups=2\r\nPostamble={TAB}{TAB}\r\nSettings=19200,E,7,2\r\n"
      "Password=Secret\r\nComPort=3\r\nKeyTrans36=$\r\nKeyTrans65=\r\nWindowState=2\r\n");
  const MainForm& f = h.app.mainForm();
  EXPECT_EQ(h.app.serialSettings().FlowCtrlIndex, 1);
  EXPECT_EQ(f.chkDOSTarget.value, 1);
  EXPECT_EQ(h.app.dosTarget(), 1);
  EXPECT_EQ(f.BeepOnInput.value, 1);
  EXPECT_TRUE(f.cboSound.enabled);
  EXPECT_EQ(f.cboSound.listIndex, 3);
  EXPECT_EQ(h.app.serialSettings().ScannerBeepString, "27,7");
  EXPECT_EQ(f.LoadWithWindows.value, 1);
  EXPECT_EQ(f.IgnoreDups.value, 2);
  EXPECT_TRUE(f.IgnoreDups.Checked()) << "greyed counts as checked";
  EXPECT_EQ(f.TermKeyCombo.text, "{TAB}{TAB}");
  EXPECT_EQ(h.app.serialSettings().StopBitsIndex, 2);
  EXPECT_EQ(h.app.password(), "Secret");
  EXPECT_EQ(h.app.keyTrans()['$'], "$");
  EXPECT_EQ(h.app.keyTrans()['A'], "") << "present but empty";
  EXPECT_EQ(h.app.keyTrans()['B'], "B") << "missing keeps the built-in entry";
  EXPECT_EQ(f.windowState, kMaximized);
  // COM3 opened during the load with the same file's settings and flow control.
  EXPECT_THAT(h.Effects(), ElementsAre("ReadFile C:\\Tolvane\\default.tlv", "CommPort=3", "Settings=19200,E,7,2", "DTREnable=1", "Handshaking=3",
                                                "RTSEnable=1", "PortOpen=1"));
  EXPECT_EQ(f.Caption(), "Tolvane (Active On COM3)");

  // Saved back as read, greyed 2 included; the checked box writes the start-up entry.
  const auto saved = ProfileFile::Parse(h.Saved());
  EXPECT_EQ(saved.Get("Tolvane", "IgnoreDups"), "2");
  EXPECT_EQ(saved.Get("Tolvane", "KeyTrans65"), "");
  EXPECT_EQ(saved.Get("Tolvane", "Password"), "Secret");
  EXPECT_EQ(h.fp.startupEntries.values["Tolvane"], "C:\\Tolvane\\TOLVANE.EXE");
}

TEST(Configuration, IntegersAreReadAsNumbersAndOutOfRangeValuesTakeTheDefault) {
  const struct {
    const char* text;
    std::int16_t beep;
  } checkBoxes[] = {{" 1", 1}, {"1.5", 2}, {"2.5", 2}, {"abc", 0}, {"1 2", 0}, {"3", 0}, {"-1", 0}, {"", 0},
                    {"0.6", 1}, {"99999", 0}, {"&H1", 1}};
  for (const auto& c : checkBoxes) {
    ConfigHarness h;
    h.Load(std::string("[Tolvane]\r\nBeep=") + c.text + "\r\n");
    EXPECT_EQ(h.app.mainForm().BeepOnInput.value, c.beep) << c.text;
  }
  ConfigHarness h;
  h.Load("[Tolvane]\r\nHandshake=7\r\nBeepSound=5\r\nComPort=17\r\nWindowState=3\r\nDOSTarget=70000\r\n");
  EXPECT_EQ(h.app.serialSettings().FlowCtrlIndex, 0);
  EXPECT_EQ(h.app.mainForm().cboSound.listIndex, 0);
  EXPECT_EQ(h.app.mainForm().PortList.listIndex, 0);
  EXPECT_EQ(h.app.mainForm().windowState, kNormal);
  EXPECT_EQ(h.app.dosTarget(), 0);
  EXPECT_TRUE(h.fp.journal.With("PortOpen").empty()) << "no port opened";

  ConfigHarness none;  // -1 leaves the lists without a selection
  none.Load("[Tolvane]\r\nBeepSound=-1\r\nComPort=-1\r\n");
  EXPECT_EQ(none.app.mainForm().cboSound.listIndex, -1);
  EXPECT_EQ(none.app.mainForm().PortList.listIndex, -1);
  EXPECT_EQ(none.SavedValue("ComPort"), "-1");
}

TEST(Configuration, MinimizeSwitchOverridesTheStoredWindowState) {
  const struct {
    const char* arguments;
    std::int16_t state;
  } cases[] = {{"/M", kMinimized}, {"-x /Mini", kMinimized}, {"/m", kNormal}, {"", kNormal}};
  for (const auto& c : cases) {
    ConfigHarness h;
    h.Load("[Tolvane]\r\nWindowState=0\r\n", c.arguments);
    EXPECT_EQ(h.app.mainForm().windowState, c.state) << c.arguments;
  }
}

TEST(Configuration, LongValuesCommentsAndUnknownKeysSurviveASave) {
  ConfigHarness h;
  const std::string longText(250, 'p');
  h.Load("; set up by IT\r\n[Tolvane]\r\nPostamble=" + longText + "\r\nCustom=mine\r\n[Other]\r\nx=1\r\n");
  EXPECT_EQ(h.app.mainForm().TermKeyCombo.text, longText) << "read in full, not cut to 199";
  h.app.password() = "pass word ";
  const std::string saved = h.Saved();
  EXPECT_EQ(saved.rfind("; set up by IT\r\n[Tolvane]\r\nPostamble=", 0), 0u) << "edited in place";
  const ProfileFile back = ProfileFile::Parse(saved);
  EXPECT_EQ(back.Get("Tolvane", "Custom"), "mine");
  EXPECT_EQ(back.Get("Other", "x"), "1");
  EXPECT_EQ(back.Get("Tolvane", "Postamble"), longText);
  EXPECT_EQ(back.Get("Tolvane", "Password"), "pass word ") << "a trailing blank is kept";
}

TEST(Configuration, GarbageFilesStartWithDefaultsAndSaveASoundFile) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
  for (const std::string& garbage : {binary, std::string(), std::string("[Tolvane"), std::string("\0\0\0", 3)}) {
    ConfigHarness h;
    h.Load(garbage);
    EXPECT_EQ(h.app.serialSettings().PortSettings, "9600,N,8,1");
    EXPECT_EQ(h.app.keyTrans()['+'], "{+}");
    const ProfileFile back = ProfileFile::Parse(h.Saved());
    EXPECT_EQ(back.Get("Tolvane", "Settings"), "9600,N,8,1");
    EXPECT_EQ(back.Get("Tolvane", "KeyTrans43"), "{+}");
  }
}

TEST(Configuration, FailedSaveLeavesTheOldFileIntact) {
  ConfigHarness h;
  const std::string old = "[Tolvane]\r\nBeep=1\r\n";
  h.Load(old);
  h.app.mainForm().BeepOnInput.SetValue(0);
  h.fp.profileStore.readOnly = true;
  EXPECT_FALSE(h.app.SaveSettings()) << "the failure is told";
  EXPECT_EQ(h.fp.profileStore.files[kPath], old);
}

TEST(Configuration, StartupEntryFollowsTheBoxAndTheWindowState) {
  ConfigHarness h;
  h.app.mainForm().LoadWithWindows.SetValue(1);
  h.app.mainForm().windowState = kMinimized;
  h.Saved();
  EXPECT_EQ(h.fp.startupEntries.values["Tolvane"], "C:\\Tolvane\\TOLVANE.EXE /M");
  // Written between IgnoreDups and RemoveReturns.
  const auto& j = h.fp.journal.entries;
  EXPECT_EQ(j[j.size() - 2], "RunOnce set Tolvane=C:\\Tolvane\\TOLVANE.EXE /M");

  ConfigHarness greyed;
  greyed.app.mainForm().LoadWithWindows.SetValue(2);
  greyed.Saved();
  EXPECT_THAT(greyed.fp.journal.With("RunOnce"), ElementsAre("RunOnce remove Tolvane"));
}

TEST(Configuration, FilePathBesideTheProgram) {
  EXPECT_EQ(ConfigFilePath("C:\\Program Files\\Tolvane"), "C:\\Program Files\\Tolvane\\default.tlv");
  EXPECT_EQ(ConfigFilePath("D:\\"), "D:\\default.tlv");
}

}  // namespace
}  // namespace tolvane::test

namespace tolvane::test {
namespace {

// The table's own promises: each place in each order once, defaults inside their ranges, and
// the saved port opened only after the line settings it needs are loaded.
TEST(ConfigKeys, OrdersAreWholeAndDefaultsFit) {
  std::set<int> loads, saves;
  std::map<std::string, int> loadAt;
  for (const ConfigKey& k : ConfigKeys()) {
    EXPECT_TRUE(loads.insert(k.loadOrder).second) << k.name;
    EXPECT_TRUE(saves.insert(k.saveOrder).second) << k.name;
    loadAt[k.name] = k.loadOrder;
    if (k.kind == KeyKind::Integer) {
      const int d = std::stoi(k.fallback);
      EXPECT_TRUE(d >= k.lo && d <= k.hi) << k.name;
    }
  }
  EXPECT_EQ(*loads.rbegin(), static_cast<int>(loads.size()));
  EXPECT_EQ(*saves.rbegin(), static_cast<int>(saves.size()));
  EXPECT_LT(loadAt["Settings"], loadAt["ComPort"]);
  EXPECT_LT(loadAt["Handshake"], loadAt["ComPort"]);
}

}  // namespace
}  // namespace tolvane::test
