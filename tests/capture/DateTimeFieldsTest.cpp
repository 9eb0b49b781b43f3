#include "capture/DateTimeFields.h"

#include <gtest/gtest.h>

#include "platform/fake/Clock.h"

namespace tolvane {
namespace {

// The first occurrence of each field in any case; each field reads the clock anew.
TEST(DateTimeFields, ReplacesFirstOccurrenceOfEachField) {
  fake::Clock clock;
  clock.now = {2007, 3, 5, 14, 5, 9};
  EXPECT_EQ(ExpandDateTimeFields("{year}-{Month}", clock), "07-03");
  EXPECT_EQ(ExpandDateTimeFields("{HOUR}:{MINUTE}:{SECOND}{ENTER}", clock), "14:05:09{ENTER}");
  EXPECT_EQ(ExpandDateTimeFields("{DAY}{DAY}", clock), "05{DAY}");
  EXPECT_EQ(ExpandDateTimeFields("ab{year", clock), "ab{year");
  EXPECT_EQ(ExpandDateTimeFields("{TAB}", clock), "{TAB}");
  EXPECT_EQ(ExpandDateTimeFields("", clock), "");
  clock.now = {2000, 12, 31, 0, 0, 0};
  EXPECT_EQ(ExpandDateTimeFields("{Year}{month}{day}{hour}{minute}{second}", clock), "001231000000");

  clock.readings = 0;
  clock.script = {{2007, 3, 5, 14, 5, 59}, {2007, 3, 5, 14, 6, 0}};
  EXPECT_EQ(ExpandDateTimeFields("{MINUTE}{SECOND}", clock), "0500");
  EXPECT_EQ(clock.readings, 2);
}

}  // namespace
}  // namespace tolvane
