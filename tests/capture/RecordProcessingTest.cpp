#include <gmock/gmock.h>

#include "capture/DateTimeFields.h"
#include "keysynth/SendKeysNotation.h"
#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Opened : Harness {
  Opened() { Open(); }
  MainForm& form() { return app.mainForm(); }
};

// Nothing is typed while the program's own window is active (the main window, a dialog or a
// message box); the record is still shown and remembered. (How it is typed otherwise is the
// console path test's.)
TEST(RecordProcessing, NothingIsTypedWhileTheProgramIsActive) {
  Opened h;
  h.form().BeepOnInput.SetValue(1);
  h.form().TermKeyCombo.text = "{TAB}";
  h.fp.activeWindow.programActive = true;
  h.Scan("AB");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 0"));
  EXPECT_EQ(h.form().Display.text, "AB{TAB}");
  EXPECT_EQ(h.app.processing().state.LastRecord, "AB");
}

TEST(RecordProcessing, RemoveCRsStripsEnterTextThenLineFeedThenReturn) {
  const std::pair<std::string, std::string> cases[] = {
      {"ABC\r\n", "ABC"},
      {"ABC\n", "ABC"},
      {"ABC\r", "ABC"},
      {"ABC\n\r", "ABC\n"},
      {"ABC{ENTER}", "ABC"},
      {"ABC{enter}", "ABC{enter}"},
      {"ABC{ENTER}\r\n", "ABC{ENTER}"},
      {"\r\n\r\n", "\r\n"},
  };
  for (const auto& [in, out] : cases) {
    Opened h;
    h.form().RemoveCRs.SetValue(1);
    h.Scan(in);
    EXPECT_EQ(h.app.processing().state.LastRecord, out);
    EXPECT_EQ(h.form().Display.text, out);
  }
  Opened h;  // unchecked: the line ending is typed (CR as Enter, LF as nothing)
  h.Scan("A\r\n");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("A", "{ENTER}", "", ""));
}

TEST(RecordProcessing, BeepsThenAcknowledgesThenDropsDuplicates) {
  Opened h;
  h.form().BeepOnInput.SetValue(1);
  h.form().cboSound.listIndex = 2;
  h.form().IgnoreDups.SetValue(1);
  h.app.serialSettings().ScannerBeepString = "27,7";

  h.Scan("X1");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 48", "Output=\x1b\x07", "SendKeys X nowait",
                                                "SendKeys 1 nowait", "SendKeys  wait"));
  h.fp.journal.Clear();
  h.form().Display.text = "kept";
  h.Scan("X1");  // the duplicate still beeps on both ends but is neither shown nor typed
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 48", "Output=\x1b\x07"));
  EXPECT_EQ(h.form().Display.text, "kept");
  h.fp.journal.Clear();
  h.Scan("Y");
  h.Scan("X1");  // A, B, A types all three
  EXPECT_EQ(h.SentKeys().size(), 5u);

  const int beeps[] = {0, 0, 64, 48, 16, 32, 0};  // sound list positions -1 .. 5
  for (std::int16_t index = -1; index <= 5; ++index) {
    h.form().cboSound.listIndex = index;
    h.fp.journal.Clear();
    h.Scan("X1");
    EXPECT_EQ(h.fp.journal.entries.front(), "MessageBeep " + std::to_string(beeps[index + 1]));
  }
}

// Only non-numeric characters with the filter on still complete a record, an empty one.
TEST(RecordProcessing, EmptyRecordsBeepShowThePostambleAndCountAsDuplicates) {
  Opened h;
  h.form().NumFilter.SetValue(2);  // greyed counts as checked
  h.form().BeepOnInput.SetValue(1);
  h.form().TermKeyCombo.text = "{ENTER}";
  h.Scan("AB");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 0", "SendKeys {ENTER} wait"));
  EXPECT_EQ(h.form().Display.text, "{ENTER}");

  Opened d;  // the very first record, empty, equals the empty LastRecord
  d.form().NumFilter.SetValue(1);
  d.form().IgnoreDups.SetValue(1);
  d.Scan("AB");
  EXPECT_THAT(d.SentKeys(), IsEmpty());
}

TEST(RecordProcessing, BeepStringToBytes) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"7", "\x07"},
      {"27,7", "\x1b\x07"},
      {"7,", std::string("\x07\x00", 2)},
      {"-1", "\xff"},
      {"300", "\x2c"},
      {"2.5,&H41, 6 5", "\x02\x41\x41"},
      {" ", std::string(1, '\0')},
      {"7,99999999999", std::nullopt},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(BeepStringToBytes(text), bytes) << text;

  Opened h;  // a field too big sends nothing, the rest of the record goes on
  h.app.serialSettings().ScannerBeepString = "7,1e10";
  h.Scan("Z");
  EXPECT_EQ(h.fp.serial.written, "");
  EXPECT_THAT(h.SentKeys(), ElementsAre("SendKeys Z nowait", "SendKeys  wait"));
}

// Opto-RS: a query before every other record, and on every second change of DSR.
TEST(RecordProcessing, OptoRsProcessesEveryOtherRecordAfterAQuery) {
  Opened h;
  h.app.serialSettings().FlowCtrlIndex = 3;
  h.form().BeepOnInput.SetValue(1);
  h.Scan("1");
  h.Scan("2");
  h.app.serialSettings().FlowCtrlIndex = 0;  // switching away and back does not restart it
  h.Scan("3");
  h.app.serialSettings().FlowCtrlIndex = 3;
  h.Scan("4");
  h.Scan("5");
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("Output=?\r", "MessageBeep 0", "SendKeys 1 nowait", "SendKeys  wait",  //
                          "MessageBeep 0", "SendKeys 3 nowait", "SendKeys  wait",                //
                          "Output=?\r", "MessageBeep 0", "SendKeys 4 nowait", "SendKeys  wait"));
  EXPECT_EQ(h.app.processing().state.LastRecord, "4");

  h.fp.serial.written.clear();
  h.app.serialSettings().FlowCtrlIndex = 0;
  h.fp.serial.ChangeDsr();
  h.app.serialSettings().FlowCtrlIndex = 3;
  for (int i = 0; i < 4; ++i) h.fp.serial.ChangeDsr();
  h.fp.serial.Raise(1001);  // other notifications (break, framing error, ...) are ignored
  h.fp.serial.Raise(3);
  EXPECT_EQ(h.fp.serial.written, "?\r?\r");
  EXPECT_EQ(h.app.assembly().state.ReceiveBuffer, "");
}

// A key text the facility cannot read types nothing; a locked workstation or an elevated
// target takes no injected keys at all: the user is told, the record stays in Display, and
// nothing is typed again later into whatever has the focus.
TEST(RecordProcessing, RejectedKeysAreToldNotLostAndTheRestGoesOn) {
  Harness h;
  h.app.window().AddTrayIcon(7);
  h.Open();
  h.app.mainForm().TermKeyCombo.text = "{ENTER}";
  h.fp.sendKeys.failing.insert("B");
  h.Scan("ABC");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("A", "C", "{ENTER}"));
  EXPECT_EQ(h.app.assembly().state.CurrentRecord, "");
  EXPECT_EQ(h.fp.sendKeys.batches, 1) << "the record and its postamble are one batch";

  h.fp.sendKeys.refusing = true;
  h.Scan("4006381333931");
  EXPECT_EQ(h.app.mainForm().Display.text, "4006381333931{ENTER}");
  EXPECT_THAT(h.fp.journal.With("Balloon"), ElementsAre("Balloon Tolvane: " + NotTypedText("4006381333931")));
  EXPECT_NE(NotTypedText("4006381333931").find("4006381333931"), std::string::npos);

  h.fp.clock.ms += 400;  // at most one balloon a second
  h.Scan("B");
  EXPECT_EQ(h.fp.journal.With("Balloon").size(), 1u);
  h.fp.clock.ms += 700;
  h.Scan("C");
  EXPECT_EQ(h.fp.journal.With("Balloon").size(), 2u);

  h.fp.sendKeys.refusing = false;
  h.Scan("D");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("A", "C", "{ENTER}", "D", "{ENTER}")) << "nothing refused is retried";
  EXPECT_EQ(h.fp.journal.With("Balloon").size(), 2u);
}

// Windows drops keys for a window of a higher integrity level without a word, and takes none while
// there is no input desktop: on both paths such a record is refused before a key goes, as a
// refusal is told. A window at our level or below gets the keys.
TEST(RecordProcessing, KeysTheSystemWouldDropAreRefusedOnBothPaths) {
  constexpr std::uint32_t kMedium = 0x2000, kHigh = 0x3000;
  for (const int dos : {0, 1}) {
    SCOPED_TRACE(dos ? "console path" : "send-keys path");
    Harness h;
    h.app.window().AddTrayIcon(7);
    h.Open();
    h.app.mainForm().chkDOSTarget.SetValue(dos);
    const auto typed = [&] { return h.fp.sendKeys.batches + static_cast<int>(h.fp.keyboard.events.size()); };
    const std::pair<ForegroundInput, bool> cases[] = {
        {{true, kMedium, kMedium}, true},       {{true, kHigh, kMedium}, true},
        {{true, kMedium, kHigh}, false},        {{true, kMedium, std::nullopt}, false},
        {{true, std::nullopt, kMedium}, false}, {{false, kMedium, kMedium}, false},
    };
    for (const auto& [foreground, reaches] : cases) {
      h.fp.activeWindow.foreground = foreground;
      h.fp.clock.ms += 2000;  // a balloon for each refusal
      const int before = typed();
      const std::size_t told = h.fp.journal.With("Balloon").size();
      h.Scan("A1");
      EXPECT_EQ(typed() > before, reaches)
          << "desktop " << foreground.inputDesktop << ", levels " << foreground.ownLevel.value_or(0) << " and "
          << foreground.foregroundLevel.value_or(0);
      EXPECT_EQ(h.fp.journal.With("Balloon").size(), told + !reaches);
      EXPECT_EQ(h.app.mainForm().Display.text, "A1");
    }
  }
}

// The console path presses keys itself: Caps Lock is undone around each call, date fields in
// the record reach it unexpanded (it knows no such key, so that call types nothing and leaves
// nothing for the next) while the postamble is expanded. The other path expands both and waits
// only for the postamble.
TEST(RecordProcessing, ConsolePathTypesThroughTheKeyEmitter) {
  for (const int dos : {1, 0}) {
    Opened h;
    h.form().chkDOSTarget.SetValue(dos);
    h.app.keyTrans()['D'] = "{DAY}";
    h.form().TermKeyCombo.text = "{HOUR}{TAB}";
    h.fp.keyboard.SetCapsLock(true);
    h.Scan("a%D\n");  // a, F10, the day field and the line feed's empty entry
    std::vector<int> keys;
    for (const auto& e : h.fp.keyboard.events)
      if (e.vk != vk::Capital) keys.push_back(e.vk);
    EXPECT_EQ(h.form().Display.text, "a%D\n14{TAB}");
    if (dos) {
      EXPECT_THAT(h.SentKeys(), IsEmpty());
      EXPECT_THAT(keys, ElementsAre(65, 65, 121, 121, '1', '1', '4', '4', 9, 9));
      EXPECT_EQ(h.fp.keyboard.events.size(), keys.size() + 4 * 4) << "Caps Lock pairs around each call but {DAY}'s";
    } else {
      EXPECT_THAT(keys, IsEmpty());
      EXPECT_THAT(h.SentKeys(), ElementsAre("SendKeys a nowait", "SendKeys {F10} nowait", "SendKeys 05 nowait",
                                            "SendKeys  nowait", "SendKeys 14{TAB} wait"));
    }
  }
  // A character the layout has no key for: nothing of the record and no postamble, but the balloon.
  Opened h;
  h.form().chkDOSTarget.SetValue(1);
  h.Scan("ab\xE9\n");
  EXPECT_THAT(h.fp.keyboard.events, IsEmpty());
  EXPECT_EQ(h.fp.journal.With("Balloon").size(), 1u);
}

// Every printable entry parses back to its own character, but for $ and % (F9 and F10) and the
// no-break space (a blank); the control characters are their keys or nothing.
TEST(KeyTrans, EveryEntryParsesBackToItsOwnCharacter) {
  KeyTransTable t;
  t.fill("junk");
  InitKeyTrans(t);
  const std::map<int, std::string> keys = {{8, "{BACKSPACE}"}, {9, "{TAB}"},  {13, "{ENTER}"}, {27, "{ESCAPE}"},
                                           {127, "{DELETE}"},  {'$', "{F9}"}, {'%', "{F10}"}};
  for (int n = 0; n < 256; ++n) {
    const std::string& entry = t[static_cast<std::size_t>(n)];
    if (keys.count(n)) {
      EXPECT_EQ(entry, keys.at(n)) << n;
    } else if ((n >= 32 && n < 127) || n >= 160) {
      const KeyStroke own{KeyStroke::Char, 0, n == 160 ? ' ' : static_cast<char>(n)};
      EXPECT_EQ(ParseSendKeys(entry), std::vector<KeyStroke>{own}) << n << ' ' << entry;
    } else {
      EXPECT_EQ(entry, "") << n;
    }
  }
}

// The first occurrence of each field in any case; each field reads the clock anew.
TEST(DateTimeFields, ReplacesFirstOccurrenceOfEachField) {
  fake::Clock clock;
  clock.now = {2007, 3, 5, 14, 5, 9};
  EXPECT_EQ(ExpandDateTimeFields("{year}-{Month}", clock), "07-03");
  EXPECT_EQ(ExpandDateTimeFields("{HOUR}:{MINUTE}:{SECOND}{ENTER}", clock), "14:05:09{ENTER}");
  EXPECT_EQ(ExpandDateTimeFields("{DAY}{DAY}", clock), "05{DAY}");
  EXPECT_EQ(ExpandDateTimeFields("ab{year", clock), "ab{year");
  clock.now = {2000, 12, 31, 0, 0, 0};
  EXPECT_EQ(ExpandDateTimeFields("{Year}{month}{day}{hour}{minute}{second}", clock), "001231000000");

  clock.readings = 0;
  clock.script = {{2007, 3, 5, 14, 5, 59}, {2007, 3, 5, 14, 6, 0}};
  EXPECT_EQ(ExpandDateTimeFields("{MINUTE}{SECOND}", clock), "0500");
  EXPECT_EQ(clock.readings, 2);
}

}  // namespace
}  // namespace tolvane::test
