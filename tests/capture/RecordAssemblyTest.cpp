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
