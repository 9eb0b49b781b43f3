#include <gmock/gmock.h>

#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(RecordAssembly, FramesReadsBySilenceOrLengthAndCarriesEveryByteValue) {
  Harness h;
  h.Open();
  const auto& typed = h.fp.sendKeys.typed;
  // One read split over several notifications and ticks is one record.
  h.fp.serial.Arrive("12");
  h.fp.serial.Arrive("34");
  h.Ticks(1);
  h.fp.serial.Arrive("56");
  h.Ticks(2);
  h.fp.serial.Arrive("78");  // two silent ticks only: joins
  h.Ticks(3);                // takes "78", then two silent ticks
  EXPECT_THAT(typed, IsEmpty());
  h.Ticks(1);  // the third silent tick completes it, not earlier
  EXPECT_THAT(typed, ElementsAre("1", "2", "3", "4", "5", "6", "7", "8", ""));
  // Reads three silent ticks apart are two records.
  h.fp.sendKeys.typed.clear();
  h.fp.serial.Arrive("A");
  h.Ticks(4);
  h.fp.serial.Arrive("B");
  h.Ticks(4);
  EXPECT_THAT(typed, ElementsAre("A", "", "B", ""));
  // Long silence afterwards starts nothing, also when the idle count wraps past 255.
  h.fp.journal.Clear();
  h.Ticks(600);
  EXPECT_THAT(h.fp.journal.entries, IsEmpty());
  EXPECT_LT(h.app.assembly().state.IdleTicks, 256);

  h.fp.sendKeys.typed.clear();
  h.app.keyTrans()[0] = "<0>";
  h.app.keyTrans()[255] = "<255>";
  h.app.keyTrans()[10] = "<10>";
  h.Scan(std::string("\0\xFF\n", 3));
  EXPECT_THAT(typed, ElementsAre("<0>", "<255>", "<10>", ""));

  // An endless stream is cut into bounded records without loss.
  h.fp.sendKeys.typed.clear();
  h.fp.journal.Clear();
  std::string stream;
  for (std::size_t i = 0; i < kMaxRecordLength + 10; ++i) stream += static_cast<char>('a' + i % 26);
  h.fp.serial.Arrive(stream);
  h.Ticks(1);
  ASSERT_EQ(typed.size(), kMaxRecordLength + 1) << "completed without silence";
  h.Ticks(3);
  std::string all;
  for (const auto& k : typed) all += k;
  EXPECT_EQ(all, stream) << "every byte typed, in order";
  EXPECT_EQ(h.fp.journal.With("SendKeys  wait").size(), 2u);
}

// The filter applies to each character as it is taken; a closed port assembles nothing and a
// reopen finishes the half record.
TEST(RecordAssembly, NumericFilterIsReadPerCharacterAndAClosedPortWaits) {
  Harness h;
  h.Open(1);
  h.app.mainForm().NumFilter.SetValue(1);
  h.fp.serial.Arrive("A-1.5X+,\r");
  h.Ticks(1);
  EXPECT_EQ(h.app.assembly().state.CurrentRecord, "-1.5");
  h.app.mainForm().NumFilter.SetValue(0);
  h.fp.serial.Arrive("Y");
  h.Ticks(1);
  h.app.PortList_Click(0);
  h.Ticks(10);
  EXPECT_EQ(h.app.assembly().state.CurrentRecord, "-1.5Y");
  h.app.PortList_Click(2);
  h.Ticks(2);
  EXPECT_THAT(h.fp.sendKeys.typed, IsEmpty());
  h.Ticks(1);
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("-", "1", ".", "5", "Y", ""));
}

// Typing with wait lets the timer tick; such a tick must leave the record being typed alone,
// and what arrives meanwhile makes the next record.
TEST(RecordAssembly, TicksWhileTypingChangeNothing) {
  Harness h;
  h.Open();
  h.fp.sendKeys.during = [&h] {
    h.fp.serial.Arrive("CD");
    h.Ticks(8);
  };
  h.fp.serial.Arrive("AB");
  h.Ticks(8);
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("A", "B", "", "C", "D", ""));
}

}  // namespace
}  // namespace tolvane::test

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The program with these lines in its file, the port open, Tab after each record.
struct Framed : Harness {
  explicit Framed(const std::string& lines) {
    app.configPath() = "C:\\Tolvane\\default.tlv";
    fp.profileStore.files[app.configPath()] = "[Tolvane]\r\nPostamble={TAB}\r\n" + lines;
    app.LoadSettings("");
    Open();
  }
};

// The end's bytes complete the record as they arrive, with no tick, and are not typed; records
// of one read go in as one batch, each acknowledged and beeped; the bytes after start the next
// record, which silence still ends; what arrives while records are typed waits for no tick.
TEST(RecordEnd, EndsEachRecordAtOnceWithoutItsBytes) {
  Framed h("RecordEnd=13\r\nScannerBeepString=6\r\nBeep=1\r\n");
  const auto& typed = h.fp.sendKeys.typed;
  h.fp.serial.Arrive("A1\rB2\rC");
  EXPECT_THAT(typed, ElementsAre("A", "1", "{TAB}", "B", "2", "{TAB}"));
  EXPECT_EQ(h.fp.sendKeys.batches, 1);
  EXPECT_EQ(h.fp.serial.written, "\x06\x06");
  EXPECT_EQ(h.fp.journal.With("MessageBeep").size(), 2u);
  EXPECT_EQ(h.app.mainForm().Display.text, "B2{TAB}");
  h.Ticks(3);
  EXPECT_EQ(typed.size(), 6u) << "C waits for its end or for silence";
  h.Ticks(1);
  EXPECT_THAT(typed, ElementsAre("A", "1", "{TAB}", "B", "2", "{TAB}", "C", "{TAB}"));

  h.fp.sendKeys.typed.clear();
  h.fp.sendKeys.during = [&h] { h.fp.serial.Arrive("D\r"); };
  h.fp.serial.Arrive("\rE\r");  // an end alone ends an empty record
  EXPECT_THAT(typed, ElementsAre("{TAB}", "E", "{TAB}", "D", "{TAB}"));
}

// A sequence ends a record only when it arrives whole, across reads too; what proves not to be
// the end, or is cut short by silence, is data.
TEST(RecordEnd, ASequenceEndsARecordOnlyWhole) {
  Framed h("RecordEnd=13,10\r\n");
  const auto& typed = h.fp.sendKeys.typed;
  h.fp.serial.Arrive("X\r");
  h.Ticks(2);
  EXPECT_THAT(typed, IsEmpty());
  h.fp.serial.Arrive("\nY\r\r\n");
  EXPECT_THAT(typed, ElementsAre("X", "{TAB}", "Y", "{ENTER}", "{TAB}"));
  h.fp.sendKeys.typed.clear();
  h.fp.serial.Arrive("Z\r");
  h.Ticks(4);
  EXPECT_THAT(typed, ElementsAre("Z", "{ENTER}", "{TAB}"));
  EXPECT_TRUE(h.app.assembly().state.ReceiveBuffer.empty() && h.app.assembly().state.CurrentRecord.empty());
}

// The end is found in the bytes as they came: before the numeric filter, whatever its own
// translation, and never in a translation's text; each record is then filtered and compared
// with the one before as any record is.
TEST(RecordEnd, RecordsAreFilteredAndTranslatedEachInTurn) {
  Framed h("RecordEnd=13\r\nNumericFilter=1\r\nIgnoreDups=1\r\nKeyTrans13=<CR>\r\nKeyTrans49={ENTER}\r\n");
  h.fp.serial.Arrive("12A\r12\r3\r12\r");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("{ENTER}", "2", "{TAB}", "3", "{TAB}", "{ENTER}", "2", "{TAB}"));
}

// The console path types each record and its postamble in turn; Opto-RS takes every other
// record, with its query, across the records of one read.
TEST(RecordEnd, ConsolePathAndOptoRsTakeEachRecord) {
  Framed h("RecordEnd=13\r\nDOSTarget=1\r\nHandshake=3\r\n");
  h.fp.serial.Arrive("a\rb\rc\r");
  std::vector<int> keys;
  for (const auto& e : h.fp.keyboard.events)
    if (e.vk != vk::Capital) keys.push_back(e.vk);
  EXPECT_THAT(keys, ElementsAre('A', 'A', 9, 9, 'C', 'C', 9, 9));
  EXPECT_EQ(h.fp.serial.written, "?\r?\r");
  EXPECT_THAT(h.fp.sendKeys.typed, IsEmpty());
}

}  // namespace
}  // namespace tolvane::test
