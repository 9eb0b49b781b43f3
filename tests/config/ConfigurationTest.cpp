// The settings file from the bytes up: how a profile file reads and edits, what the program
// loads and saves at start and shut-down, and the POSIX store that replaces it whole.
#include "config/Configuration.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config/ProfileFile.h"
#include "linux/ProfileStore.h"
#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

constexpr const char* kPath = "C:\\Tolvane\\default.tlv";

// The lines of a file the program makes: the header and a line for each key it writes.
long NewFileLines(Program program) {
  long lines = 1;
  for (const ConfigKey& key : ConfigKeys())
    if (key.ActedOnBy(program)) lines += key.kind == KeyKind::Translation ? key.hi - key.lo + 1 : 1;
  return lines;
}

struct ConfigHarness : Harness {
  explicit ConfigHarness(const std::string& file = "") {
    app.configPath() = kPath;
    app.programPath() = "C:\\Tolvane\\TOLVANE.EXE";
    app.mainForm().cboSound.items = {"Default Sound", "Asterisk", "Exclamation", "Hand", "Question"};
    fp.profileStore.files[kPath] = file;
    app.LoadSettings("");
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

  h.Saved();
  const std::string& saved = h.fp.profileStore.files[kPath];
  EXPECT_EQ(saved.substr(0, saved.find("KeyTrans0=")),
            "[Tolvane]\r\nComPort=0\r\nDOSTarget=0\r\nBeepSound=0\r\nScannerBeepString=\r\nHandshake=0\r\nBeep=0\r\n"
            "AutoLoad=0\r\nNumericFilter=0\r\nIgnoreDups=0\r\nRemoveReturns=0\r\nPostamble=\r\nRecordEnd="
            "\r\nWindowState=0\r\n"
            "Settings=9600,N,8,1\r\nPassword=\r\n");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), NewFileLines(Program::Windows));
  EXPECT_THAT(h.fp.journal.With("RunOnce"), ElementsAre("RunOnce remove Tolvane"));
}

TEST(Configuration, LoadAndSaveEachTakeEveryKeyOnce) {
  std::multiset<std::string_view> names;
  for (const ConfigKey& key : ConfigKeys()) names.insert(key.name);
  EXPECT_EQ(std::set<std::string_view>(names.begin(), names.end()).size(), names.size()) << "a name twice";
  for (const auto& order : {LoadOrder(), SaveOrder()})
    EXPECT_EQ(std::multiset<std::string_view>(order.begin(), order.end()), names);
}

TEST(Configuration, LoadsEveryKeyIntoItsOwnerOpensTheSavedPortAndSavesItBack) {
  ConfigHarness h(
      "[Tolvane]\r\nHandshake=1\r\nDOSTarget=1\r\nBeep=1\r\nBeepSound=3\r\nScannerBeepString=27,7\r\n"
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
  ConfigHarness h("[Tolvane]\r\nHandshake=7\r\nBeepSound=5\r\nComPort=256\r\nWindowState=3\r\nDOSTarget=70000\r\n");
  EXPECT_EQ(h.app.serialSettings().FlowCtrlIndex, 0);
  EXPECT_EQ(h.app.mainForm().cboSound.listIndex, 0);
  EXPECT_EQ(h.app.mainForm().windowState, kNormal);
  EXPECT_EQ(h.app.dosTarget(), 0);
  EXPECT_TRUE(h.fp.journal.With("PortOpen").empty()) << "no port opened";

  ConfigHarness none("[Tolvane]\r\nBeepSound=-1\r\nComPort=-1\r\n");  // lists without a selection
  EXPECT_EQ(none.app.mainForm().cboSound.listIndex, -1);
  EXPECT_EQ(none.Saved().Get("Tolvane", "ComPort"), "-1");
}

// RecordEnd is byte values, 0 to 255, between commas, as the file keeps them; anything else is
// no record end at all, and the file gets it back empty.
TEST(Configuration, RecordEndIsAListOfByteValuesOrNothing) {
  const std::pair<const char*, const char*> values[] = {
      {"13", "13"},   {"13,10", "13,10"}, {" 13 , 10 ", "13,10"}, {"0,255", "0,255"}, {"", ""},     {"256", ""},
      {"13,", ""},    {",13", ""},        {"13;10", ""},          {"-1", ""},         {"&H0D", ""}, {"1 3", ""},
      {"13,,10", ""}, {"0013", "13"},     {"9999999999999", ""},
  };
  for (const auto& [text, saved] : values) {
    ConfigHarness h(std::string("[Tolvane]\r\nRecordEnd=") + text + "\r\n");
    EXPECT_EQ(h.Saved().Get("Tolvane", "RecordEnd"), saved) << text;
  }
}

// The file is edited, not written anew (what the edit keeps is the profile file's to show), and
// a long value is read in full; a file of garbage gives defaults and a sound file.
TEST(Configuration, WhatTheFileHoldsSurvives) {
  const std::string longText(250, 'p');
  ConfigHarness h("; set up by IT\r\n[Tolvane]\r\nPostamble=" + longText + "\r\n");
  EXPECT_EQ(h.app.mainForm().TermKeyCombo.text, longText) << "read in full";
  h.Saved();
  const std::string& file = h.fp.profileStore.files[kPath];
  EXPECT_EQ(file.rfind("; set up by IT\r\n[Tolvane]\r\nPostamble=", 0), 0u) << "edited in place";

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
  for (const std::string& garbage : {binary, std::string("[Tolvane"), std::string(3, '\0')}) {
    ConfigHarness g(garbage);
    EXPECT_EQ(g.app.serialSettings().PortSettings, "9600,N,8,1");
    EXPECT_EQ(g.Saved().Get("Tolvane", "KeyTrans43"), "{+}");
  }
}

std::optional<std::string> Read(const std::string& file, const char* section = "S", const char* key = "k") {
  return ProfileFile::Parse(file).Get(section, key);
}

TEST(ProfileFile, ReadsAsTheWindowsProfileFunctions) {
  // clang-format off
  const std::pair<const char*, std::optional<std::string>> cases[] = {  // [S] k
      {"[S]\r\nk=v\r\n", "v"}, {"[S]\r\n  k \t=\t v  \r\n", "v"}, {"[S]\r\nk=  \"  v  \"  \r\n", "  v  "},
      {"[S]\r\nk='  v  '\r\n", "  v  "}, {"[S]\r\nk=\"'v'\"\r\n", "'v'"}, {"[S]\r\nk=\"v'\r\n", "\"v'"},
      {"[S]\r\nk=\"\r\n", "\""}, {"[S]\r\nk=\r\n", ""}, {"[S]\r\nk\r\n", std::nullopt}, {"[S]\r\nk=a=b\r\n", "a=b"},
      {"[S]\r\nk=v ;c\r\n", "v ;c"}, {"[S]\r\n  ;k=v\r\n", std::nullopt}, {"[S]\r\nk=v1\r\nk=v2\r\n", "v1"},
      {"[S]\r\na=1\r\n[S]\r\nk=v\r\n", std::nullopt}, {"[ S ]\r\nk=v\r\n", "v"}, {" [S]\r\nk=v\r\n", "v"},
      {"[S\r\nk=v\r\n", "v"}, {"[S]k=v\r\n", std::nullopt}, {"k=v\r\n[S]\r\n", std::nullopt}, {"[S]\nk=v\n", "v"},
      {"[S]\rk=v\r", "v"}, {"[S]\r\nk=v", "v"}, {"\xEF\xBB\xBF[S]\r\nk=v\r\n", std::nullopt}, {"", std::nullopt},
      {"\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n", "v"}, {"[S]\r\nk=caf\xE9\r\n", "caf\xE9"}, {"[T]\r\nk=v\r\n", std::nullopt},
  };
  // clang-format on
  for (const auto& [file, value] : cases) EXPECT_EQ(Read(file), value) << '"' << file << '"';
  EXPECT_EQ(Read("[S]\r\n;k=v\r\n", "S", ";k"), std::nullopt);
  EXPECT_EQ(Read("[S]\r\n#k=v\r\n", "S", "#k"), "v");
  EXPECT_EQ(Read("[S]k=v\r\nj=w\r\n", "S", "j"), "w");
  EXPECT_EQ(Read("[S]\r\n\xE9t\xE9=1\r\n", "S", "\xC9T\xC9"), "1");
  EXPECT_EQ(Read("[S]\r\nk=v\r\n", " S ", " k "), "v");
  EXPECT_EQ(Read("[S]\r\nk=v\r\n", "\tS"), std::nullopt);
}

TEST(ProfileFile, EditsInPlaceKeepingEveryOtherLine) {
  ProfileFile f = ProfileFile::Parse(
      "; my scanner\r\n[Other]\r\nx = 1\r\n\r\n[tolvane]\r\n"
      "ComPort = 3\r\nUnknown=keep\r\n; note\r\n\r\n[Last]\n");
  f.Set("Tolvane", "comport", "4");
  f.Set("Tolvane", "Beep", "1");
  f.Set("New", "k", "v");
  EXPECT_EQ(f.Serialize(),
            "; my scanner\r\n[Other]\r\nx = 1\r\n\r\n[tolvane]\r\nComPort=4\r\n"
            "Unknown=keep\r\nBeep=1\r\n; note\r\n\r\n[Last]\n[New]\r\nk=v\r\n");

  for (const char* file : {"", "[S]\r\nk=v", "[S]"}) {  // appending after no line ending
    ProfileFile g = ProfileFile::Parse(file);
    g.Set("S", "k", "v");
    g.Set("T", "a", "");
    g.Set("S", "j", "w");
    EXPECT_EQ(g.Serialize(), "[S]\r\nk=v\r\nj=w\r\n[T]\r\na=\r\n") << file;
  }
}

TEST(ProfileFile, WhatIsWrittenReadsBackUnchanged) {
  const std::string values[] = {"",           "plain",    " lead",  "trail ", "\ttab",
                                "\"quoted\"", "'single'", "\"half", "a=b;c",  std::string(250, 'x'),
                                "caf\xE9",    "{ }"};
  for (const auto& v : values) {
    ProfileFile f;
    f.Set("S", "k", v);
    EXPECT_EQ(ProfileFile::Parse(f.Serialize()).Get("S", "k"), v) << v;
  }
  ProfileFile f;  // a line break cannot make a second key
  f.Set("S", "k", "a\r\nevil=1");
  const ProfileFile back = ProfileFile::Parse(f.Serialize());
  EXPECT_EQ(back.Get("S", "k"), "aevil=1");
  EXPECT_EQ(back.Get("S", "evil"), std::nullopt);
}

struct LifeHarness : Harness {
  explicit LifeHarness(const char* file = "[Tolvane]\r\n") {
    fp.profileStore.files[kPath] = file;
    app.mainForm().captionChanged = [this](const std::string& c) { fp.journal.Add("Caption " + c); };
  }
  bool Start(ProgramInfo info = {"C:\\Tolvane", "Tolvane", ""}) { return app.Form_Load(info, 77); }
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
  EXPECT_EQ(second.fp.profileStore.files[kPath], "[Tolvane]\r\nComPort=2\r\n");

  // Minimised by the argument or the saved state, only the icon shows. Arguments, WindowState, shown:
  const std::tuple<const char*, const char*, bool> starts[] = {
      {"/M", "0", false}, {"-x /Mini", "0", false}, {"/m", "0", true}, {"", "1", false}, {"", "2", true}};
  for (const auto& [arguments, state, visible] : starts) {
    LifeHarness m(("[Tolvane]\r\nWindowState=" + std::string(state) + "\r\n").c_str());
    m.Start({"C:\\Tolvane", "Tolvane", arguments});
    EXPECT_EQ(m.app.mainForm().visible, visible) << arguments << state;
  }
}

// Exit and the end of a session save once, with the start-at-logon entry written in the middle
// of the save, and remove the icon; only an exit tells of a failed save.
TEST(LifeCycle, ExitAndSessionEndShutDownOnce) {
  const std::vector<std::string> saved = {"ReadFile C:\\Tolvane\\default.tlv",
                                          "RunOnce set Tolvane=C:\\Tolvane\\Tolvane.EXE /M",
                                          "WriteFile C:\\Tolvane\\default.tlv", "NotifyIcon delete"};
  LifeHarness exit;
  exit.Start();
  exit.AutoLoadMinimised();
  EXPECT_EQ(exit.Exit(), saved);
  EXPECT_EQ(Read(exit.fp.profileStore.files[kPath], "Tolvane", "WindowState"), "1");
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

// The port list holds COM1 to COM16 whatever the system has, then each port the system lists above
// COM16, in number order. The file's port is opened and saved back whether the list has it or not.
TEST(LifeCycle, PortsAboveSixteenAreListedChosenAndKept) {
  LifeHarness h("[Tolvane]\r\nComPort=23\r\n");
  h.fp.portMap.ports = {100, 3, 23, 17, 256, 0};
  ASSERT_TRUE(h.Start());
  const auto& rows = h.app.mainForm().PortList.items;
  ASSERT_EQ(rows.size(), 20u);
  EXPECT_THAT(std::vector<std::string>(rows.begin() + 15, rows.end()),
              ElementsAre("COM15", "COM16", "COM17", "COM23", "COM100"));
  EXPECT_EQ(h.app.mainForm().PortList.listIndex, 18);
  EXPECT_EQ(h.fp.serial.commPort, 23);
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM23)");
  h.app.PortList_Click(19);  // the user's choice, by row
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM100)");
  h.Exit();
  EXPECT_EQ(Read(h.fp.profileStore.files[kPath], "Tolvane", "ComPort"), "100");

  // An adapter that is not plugged in: its port is tried, shown in a row of its own and saved as it was.
  LifeHarness away("[Tolvane]\r\nComPort=40\r\n");
  away.fp.portMap.ports = {23, 100};
  away.fp.serial.FailWith("PortOpen", "The system cannot find the file specified.");
  away.Start();
  const auto& shown = away.app.mainForm().PortList;
  EXPECT_THAT(std::vector<std::string>(shown.items.begin() + 16, shown.items.end()),
              ElementsAre("COM16", "COM23", "COM40", "COM100"));
  EXPECT_EQ(shown.items[static_cast<std::size_t>(shown.listIndex)], "COM40");
  EXPECT_EQ(away.fp.serial.commPort, 40);
  away.Exit();
  EXPECT_EQ(Read(away.fp.profileStore.files[kPath], "Tolvane", "ComPort"), "40");
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
  EXPECT_EQ(Read(root.fp.profileStore.files["D:\\default.tlv"], "Tolvane", "WindowState"), "0");

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

// The Linux program, whose file is its only settings window: its keys load before the saved port
// opens; a first run writes every key; after that the file is the user's.
TEST(Configuration, TheLinuxProgramsFileIsTheUsers) {
  const ProgramInfo linux{"/home/me", "tolvane", "", kPath, Program::Linux};
  LifeHarness first("");
  first.fp.profileStore.files.erase(kPath);
  first.Start(linux);
  first.Exit();
  const std::string& made = first.fp.profileStore.files[kPath];
  EXPECT_EQ(std::count(made.begin(), made.end(), '\n'), NewFileLines(Program::Linux))
      << "the first run writes every key";

  LifeHarness h("[Tolvane]\r\nComPort=2\r\nDevice=/dev/ttyUSB0\r\nXkbLayout=de\r\nAutoLoad=1\r\nBeep=7\r\n");
  std::string deviceAtOpen;
  h.app.mainForm().captionChanged = [&](const std::string& caption) {
    if (caption.find("Active On") != std::string::npos) deviceAtOpen = h.app.frontEnd().device;
  };
  ASSERT_TRUE(h.Start(linux));
  EXPECT_EQ(deviceAtOpen, "/dev/ttyUSB0");
  EXPECT_EQ(h.app.frontEnd().xkbLayout, "de");
  // Edited while it runs; at exit the edit stays, the out-of-range Beep too, and the
  // start-at-logon entry is still kept up to date.
  const std::string edited =
      "[Tolvane]\r\nComPort=2\r\nDevice=/dev/ttyUSB0\r\nAutoLoad=1\r\nPostamble={TAB}\r\nBeep=7\r\n";
  h.fp.profileStore.files[kPath] = edited;
  const auto exit = h.Exit();
  EXPECT_EQ(h.fp.profileStore.files[kPath], edited);
  EXPECT_THAT(exit, testing::Not(testing::Contains("WriteFile " + std::string(kPath))));
  EXPECT_THAT(exit, testing::Contains(testing::StartsWith("RunOnce set Tolvane=")));

  // A value the program changes itself is written, and only it.
  LifeHarness changed("[Tolvane]\r\n; mine\r\nIgnoreDups=0\r\n");
  changed.Start(linux);
  changed.fp.profileStore.files[kPath] += "Postamble={TAB}\r\n";
  changed.app.mainForm().IgnoreDups.SetValue(1);
  changed.Exit();
  EXPECT_EQ(changed.fp.profileStore.files[kPath], "[Tolvane]\r\n; mine\r\nIgnoreDups=1\r\nPostamble={TAB}\r\n");

  // A file there that cannot be read: told, the program ends, the file is never replaced.
  LifeHarness locked("[Tolvane]\r\nDevice=/dev/ttyUSB0\r\n");
  locked.fp.profileStore.unreadable[kPath] = "Permission denied";
  EXPECT_FALSE(locked.Start(linux));
  EXPECT_EQ(locked.app.readError(), "Permission denied");
  EXPECT_THAT(locked.fp.journal.With("MessageBox "), ElementsAre("MessageBox cannot read the configuration file " +
                                                                 std::string(kPath) + ": Permission denied"));
  EXPECT_THAT(locked.Exit(), testing::IsEmpty());
  EXPECT_EQ(locked.fp.profileStore.files[kPath], "[Tolvane]\r\nDevice=/dev/ttyUSB0\r\n");
}

// The Windows program, which writes every key, runs with the defaults when its file is there but
// cannot be read (another program holds it), says so once at start, and leaves the file and the
// start-at-logon entry alone for the whole run, even once the file can be read again: at exit
// and at the end of the session alike.
TEST(LifeCycle, AFileThatCannotBeReadIsToldOfAtStartAndNeverSavedOver) {
  const std::string mine = "[Tolvane]\r\n; my scanner\r\nComPort=2\r\nPostamble={TAB}\r\nAutoLoad=1\r\n";
  const std::string held = "The process cannot access the file because it is being used by another process.";
  for (const bool sessionEnds : {false, true}) {
    LifeHarness h(mine.c_str());
    h.fp.profileStore.unreadable[kPath] = held;
    h.fp.startupEntries.values["Tolvane"] = "C:\\Tolvane\\Tolvane.EXE";
    ASSERT_TRUE(h.Start());
    EXPECT_THAT(h.fp.journal.With("MessageBox "),
                ElementsAre("MessageBox Tolvane could not read its settings from " + std::string(kPath) + ".\r\n\r\n" +
                            held + "\r\n\r\nIt runs with the default settings and will not save over the file."));
    EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Inactive)");
    h.fp.profileStore.unreadable.clear();  // the other program lets go
    h.fp.journal.Clear();
    if (sessionEnds) {
      h.app.QueryEndSession();
      h.app.EndSession(true);
    }
    const auto exit = h.Exit();
    const auto& ended = sessionEnds ? h.fp.journal.entries : exit;
    EXPECT_THAT(ended, testing::Each(testing::Not(testing::AnyOf(testing::StartsWith("WriteFile"),
                                                                 testing::StartsWith("MessageBox"),
                                                                 testing::StartsWith("RunOnce")))))
        << (sessionEnds ? "session end" : "exit");
    EXPECT_EQ(h.fp.profileStore.files[kPath], mine);
    EXPECT_EQ(h.fp.startupEntries.values["Tolvane"], "C:\\Tolvane\\Tolvane.EXE");
  }
}

// Read again on request: the values apply, and the front end learns whether the port or the
// typing must be reopened; a file that cannot be read changes nothing.
TEST(Configuration, TheLinuxProgramReadsItsFileAgain) {
  LifeHarness h("[Tolvane]\r\nComPort=2\r\nSettings=9600,N,8,1\r\nKeyTrans36=X\r\n");
  ASSERT_TRUE(h.Start({"/home/me", "tolvane", "", kPath, Program::Linux}));
  const auto reload = [&h](const std::string& file) {
    h.fp.profileStore.files[kPath] = file;
    h.fp.journal.Clear();
    Tolvane::Reloaded r;
    EXPECT_TRUE(h.app.ReloadSettings(r));
    return std::make_pair(r.port, r.typing);
  };
  EXPECT_EQ(reload("[Tolvane]\r\nComPort=2\r\nSettings=9600,N,8,1\r\nPostamble={TAB}\r\n"),
            std::make_pair(false, false));
  EXPECT_EQ(h.app.mainForm().TermKeyCombo.text, "{TAB}");
  EXPECT_EQ(h.app.keyTrans()['$'], "{F9}") << "a translation no longer in the file is the built-in one";
  EXPECT_THAT(h.fp.journal.With("PortOpen"), testing::IsEmpty()) << "the port is the front end's to reopen";
  for (const char* port : {"ComPort=3", "Settings=14400,N,8,1", "Handshake=2", "Device=/dev/ttyACM0"}) {
    const auto changed = reload("[Tolvane]\r\n" + std::string(port) + "\r\nComPort=2\r\nSettings=9600,N,8,1\r\n");
    EXPECT_EQ(changed, std::make_pair(true, false)) << port;
    reload("[Tolvane]\r\nComPort=2\r\nSettings=9600,N,8,1\r\n");
  }
  EXPECT_EQ(reload("[Tolvane]\r\nComPort=2\r\nXkbVariant=nodeadkeys\r\n"), std::make_pair(false, true));
  EXPECT_EQ(h.app.frontEnd().xkbVariant, "nodeadkeys");

  h.fp.profileStore.unreadable[kPath] = "Input/output error";
  h.fp.profileStore.files[kPath] = "[Tolvane]\r\nComPort=0\r\nPostamble={ENTER}\r\n";
  Tolvane::Reloaded r;
  const Status failed = h.app.ReloadSettings(r);
  EXPECT_EQ(failed.description, "Input/output error");
  EXPECT_EQ(h.app.mainForm().TermKeyCombo.text, "");
  EXPECT_EQ(h.app.mainForm().PortList.listIndex, 2);
  EXPECT_EQ(h.app.frontEnd().xkbVariant, "nodeadkeys");
}

namespace fs = std::filesystem;

TEST(PosixProfileStore, ReplacesTheFileWholeOrNotAtAll) {
  std::string tmpl = (fs::temp_directory_path() / "tolvane-store-XXXXXX").string();
  const fs::path dir = mkdtemp(tmpl.data());
  posix::ProfileStore store;
  const std::string file = (dir / "default.tlv").string();
  EXPECT_TRUE(store.Read(file).Missing());

  ASSERT_TRUE(store.Write(file, "[Tolvane]\r\nBeep=1\r\n"));
  EXPECT_EQ(store.Read(file).bytes, "[Tolvane]\r\nBeep=1\r\n");
  const std::string big(3 << 20, 'x');
  ASSERT_TRUE(store.Write(file, big));
  EXPECT_EQ(store.Read(file).bytes, big);

  // A write that cannot complete leaves the old file and no temporary beside it.
  EXPECT_FALSE(store.Write((dir / "gone" / "default.tlv").string(), "x"));
  fs::create_directory(dir / "taken");
  EXPECT_FALSE(store.Write((dir / "taken").string(), "x")) << "cannot replace a folder";
  EXPECT_EQ(store.Read(file).bytes, big);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << "no temporary left behind";
  EXPECT_EQ(store.Read((dir / "taken").string()).error, "Is a directory");

  // Through a chain of links, relative ones included, to the real file, which the first write makes.
  fs::create_directory(dir / "dotfiles");
  fs::create_symlink("dotfiles/real.tlv", dir / "link.tlv");
  fs::create_symlink("link.tlv", dir / "link2.tlv");
  ASSERT_TRUE(fs::is_symlink(dir / "link2.tlv") && !fs::exists(dir / "dotfiles/real.tlv")) << "premise";
  ASSERT_TRUE(store.Write((dir / "link2.tlv").string(), "one"));
  ASSERT_TRUE(store.Write((dir / "link2.tlv").string(), "two"));
  EXPECT_TRUE(fs::is_symlink(dir / "link.tlv") && fs::is_symlink(dir / "link2.tlv"));
  EXPECT_EQ(store.Read((dir / "dotfiles/real.tlv").string()).bytes, "two");

  // Mode and owner stay as they were.
  const std::string shared = (dir / "shared.tlv").string();
  ASSERT_TRUE(store.Write(shared, "a"));
  EXPECT_EQ(fs::status(shared).permissions(), fs::perms::owner_read | fs::perms::owner_write)
      << "a new file is private";
  fs::permissions(shared, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec & ~fs::perms::others_exec);
  const bool root = geteuid() == 0;
  if (root) {
    ASSERT_EQ(chown(shared.c_str(), 65534, 65534), 0);
  }
  ASSERT_TRUE(store.Write(shared, "b"));
  struct stat st {};
  ASSERT_EQ(stat(shared.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  if (root) {
    EXPECT_EQ(st.st_uid, 65534u);
  }

  // A file another user keeps to themselves reads as unreadable, with the reason, not as missing.
  const std::string secret = (dir / "secret.tlv").string();
  ASSERT_TRUE(store.Write(secret, "[Tolvane]\r\n"));
  if (root) {
    fs::permissions(dir, fs::perms::all);  // the folder open to all: the file's own mode is what stops
    const pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0 || access(secret.c_str(), R_OK) == 0) _exit(2);  // premise
      _exit(store.Read(secret).error == "Permission denied" ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: the premise failed, nobody could read the file";
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tolvane::test
