#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RecordProcessing, TypesEachCharacterThroughKeyTransThenWaitsForThePostamble) {
  Harness h;
  h.Open();
  h.app.mainForm().TermKeyCombo.text = "{TAB}";
  h.Scan("A+$ ~");
  EXPECT_THAT(h.SentKeys(), ElementsAre("SendKeys A nowait", "SendKeys {+} nowait", "SendKeys {F9} nowait",
                                        "SendKeys { } nowait", "SendKeys {~} nowait", "SendKeys {TAB} wait"));
  EXPECT_EQ(h.app.mainForm().Display.text, "A+$ ~{TAB}");
  EXPECT_EQ(h.app.assembly().state.CurrentRecord, "");
}

TEST(RecordProcessing, RemoveCRsStripsEnterTextThenLineFeedThenReturn) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"ABC\r\n", "ABC"},       {"ABC\n", "ABC"},           {"ABC\r", "ABC"},      {"ABC\n\r", "ABC\n"},
      {"ABC{ENTER}", "ABC"},    {"ABC{enter}", "ABC{enter}"}, {"ABC{ENTER}\r\n", "ABC{ENTER}"},
      {"\r\n\r\n", "\r\n"},
  };
  for (const auto& c : cases) {
    Harness h;
    h.Open();
    h.app.mainForm().RemoveCRs.SetValue(1);
    h.Scan(c.in);
    EXPECT_EQ(h.app.processing().state.LastRecord, c.out);
    EXPECT_EQ(h.app.mainForm().Display.text, c.out);
  }
  Harness h;  // unchecked: the line ending is typed (CR as Enter, LF as nothing)
  h.Open();
  h.Scan("A\r\n");
  EXPECT_THAT(h.SentKeys(), ElementsAre("SendKeys A nowait", "SendKeys {ENTER} nowait", "SendKeys  nowait",
                                        "SendKeys  wait"));
}

TEST(RecordProcessing, BeepsThenAcknowledgesThenDropsDuplicates) {
  Harness h;
  h.Open();
  h.app.mainForm().BeepOnInput.SetValue(1);
  h.app.mainForm().cboSound.listIndex = 2;
  h.app.mainForm().IgnoreDups.SetValue(1);
  h.app.serialSettings().ScannerBeepString = "27,7";

  h.Scan("X1");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 48", "Output=\x1b\x07", "SendKeys X nowait",
                                                "SendKeys 1 nowait", "SendKeys  wait"));
  h.fp.journal.Clear();
  h.app.mainForm().Display.text = "kept";
  h.Scan("X1");  // the duplicate still beeps on both ends but is neither shown nor typed
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 48", "Output=\x1b\x07"));
  EXPECT_EQ(h.app.mainForm().Display.text, "kept");
  h.fp.journal.Clear();
  h.Scan("Y");
  h.Scan("X1");  // A, B, A types all three
  EXPECT_EQ(h.SentKeys().size(), 5u);
}

TEST(RecordProcessing, EmptyRecordsBeepShowThePostambleAndCountAsDuplicates) {
  Harness h;
  h.Open();
  h.app.mainForm().NumFilter.SetValue(1);
  h.app.mainForm().BeepOnInput.SetValue(1);
  h.app.mainForm().TermKeyCombo.text = "{ENTER}";
  h.Scan("AB");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 0", "SendKeys {ENTER} wait"));
  EXPECT_EQ(h.app.mainForm().Display.text, "{ENTER}");

  Harness d;  // the very first record, empty, equals the empty LastRecord
  d.Open();
  d.app.mainForm().NumFilter.SetValue(1);
  d.app.mainForm().IgnoreDups.SetValue(1);
  d.Scan("AB");
  EXPECT_THAT(d.SentKeys(), IsEmpty());
}

TEST(RecordProcessing, SoundListPicksTheBeepType) {
  const int beeps[] = {0, 0, 64, 48, 16, 32, 0};  // positions -1 .. 5
  for (std::int16_t index = -1; index <= 5; ++index) {
    Harness h;
    h.Open();
    h.app.mainForm().BeepOnInput.SetValue(1);
    h.app.mainForm().cboSound.listIndex = index;
    h.Scan("1");
    EXPECT_EQ(h.fp.journal.entries.front(), "MessageBeep " + std::to_string(beeps[index + 1]));
  }
}

TEST(RecordProcessing, BeepStringToBytes) {
  EXPECT_EQ(BeepStringToBytes("7"), std::string("\x07"));
  EXPECT_EQ(BeepStringToBytes("27,7"), std::string("\x1b\x07"));
  EXPECT_EQ(BeepStringToBytes("7,"), std::string("\x07\x00", 2));
  EXPECT_EQ(BeepStringToBytes(" "), std::string("\x00", 1));
  EXPECT_EQ(BeepStringToBytes("-1"), std::string("\xff"));
  EXPECT_EQ(BeepStringToBytes("300"), std::string("\x2c"));
  EXPECT_EQ(BeepStringToBytes("2.5,&H41, 6 5"), std::string("\x02\x41\x41"));
  EXPECT_EQ(BeepStringToBytes("7,99999999999"), std::nullopt);

  Harness h;  // a field too big sends nothing, the rest of the record goes on
  h.Open();
  h.app.serialSettings().ScannerBeepString = "7,1e10";
  h.Scan("Z");
  EXPECT_EQ(h.fp.serial.written, "");
  EXPECT_THAT(h.SentKeys(), ElementsAre("SendKeys Z nowait", "SendKeys  wait"));
}

TEST(RecordProcessing, OptoRsProcessesEveryOtherRecordAfterAQuery) {
  Harness h;
  h.Open();
  h.app.serialSettings().FlowCtrlIndex = 3;
  h.app.mainForm().BeepOnInput.SetValue(1);
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
}

TEST(RecordProcessing, OwnWindowActiveShowsButDoesNotType) {
  Harness h;
  h.Open();
  h.app.mainForm().BeepOnInput.SetValue(1);
  h.app.mainForm().TermKeyCombo.text = "{ENTER}";
  h.fp.activeWindow.programActive = true;  // the main window, a dialog or a message box
  h.Scan("AB");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("MessageBeep 0"));
  EXPECT_EQ(h.app.mainForm().Display.text, "AB{ENTER}");
  EXPECT_EQ(h.app.processing().state.LastRecord, "AB");

  h.fp.activeWindow.programActive = false;
  h.Scan("C");
  EXPECT_THAT(h.SentKeys(), ElementsAre("SendKeys C nowait", "SendKeys {ENTER} wait"));
}

TEST(RecordProcessing, PathsDifferInExpansionAndWaiting) {
  Harness h;
  h.Open();
  h.app.keyTrans()['D'] = "{DAY}";
  h.app.mainForm().TermKeyCombo.text = "{HOUR}{ENTER}";
  h.Scan("D");
  EXPECT_THAT(h.SentKeys(), ElementsAre("SendKeys 05 nowait", "SendKeys 14{ENTER} wait"));
  EXPECT_EQ(h.app.mainForm().Display.text, "D14{ENTER}");

  Harness c;
  c.Open();
  c.app.keyTrans()['D'] = "{DAY}";
  c.app.mainForm().TermKeyCombo.text = "{HOUR}{ENTER}";
  c.app.mainForm().chkDOSTarget.SetValue(1);
  c.Scan("D");
  EXPECT_THAT(c.SentKeys(), IsEmpty());
  std::vector<int> pressed;
  for (const auto& e : c.fp.keyboard.events)
    if (!(e.flags & Keyboard::kKeyUp)) pressed.push_back(e.vk);
  // {DAY} reaches the console path unexpanded, which knows no such key; the postamble is
  // expanded first.
  EXPECT_THAT(pressed, ElementsAre('1', '4', 13));
}

TEST(RecordProcessing, RejectedKeyTextTypesNothingAndTheRestGoesOn) {
  Harness h;
  h.Open();
  h.fp.sendKeys.failing.insert("B");
  h.app.mainForm().TermKeyCombo.text = "{TAB}";
  h.Scan("ABC");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("A", "C", "{TAB}"));
  EXPECT_EQ(h.app.assembly().state.CurrentRecord, "");
  EXPECT_EQ(h.fp.sendKeys.batches, 1) << "the record and its postamble are one batch";
}

// A locked workstation or an elevated target takes no injected keys: the user is told, the
// record stays in Display, and nothing is typed again later into whatever has the focus.
TEST(RecordProcessing, ARecordTheSystemRefusesIsToldNotLost) {
  Harness h;
  h.app.window().AddTrayIcon(7);
  h.Open();
  h.app.mainForm().TermKeyCombo.text = "{ENTER}";
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
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("D", "{ENTER}")) << "nothing refused is retried";
  EXPECT_EQ(h.fp.journal.With("Balloon").size(), 2u);
}

TEST(RecordProcessing, ConsolePathTypesThroughTheKeyEmitter) {
  Harness h;
  h.Open();
  h.app.mainForm().chkDOSTarget.SetValue(1);
  EXPECT_EQ(h.app.dosTarget(), 1);
  h.app.mainForm().TermKeyCombo.text = "{TAB}";
  h.fp.keyboard.SetCapsLock(true);
  h.Scan("a%\n");  // a, F10, and the line feed's empty entry (Caps Lock pairs only)
  EXPECT_TRUE(h.SentKeys().empty());
  std::vector<std::uint8_t> keys;
  for (const auto& e : h.fp.keyboard.events)
    if (e.vk != 20) keys.push_back(e.vk);
  EXPECT_EQ(keys, (std::vector<std::uint8_t>{65, 65, 121, 121, 9, 9}));
  EXPECT_EQ(h.fp.keyboard.events.size(), 6u + 4 * 4) << "four calls, each with its Caps Lock pairs";

  h.app.mainForm().chkDOSTarget.SetValue(0);
  h.fp.keyboard.events.clear();
  h.Scan("b");
  EXPECT_TRUE(h.fp.keyboard.events.empty());
  EXPECT_EQ(h.SentKeys().size(), 2u);
}

}  // namespace
}  // namespace tolvane::test
