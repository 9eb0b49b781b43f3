#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

TEST(PortActivation, OpensWithTheWritesInOrderAndShowsTheCaption) {
  Harness h;
  std::vector<std::string> captions;
  h.app.mainForm().captionChanged = [&](const std::string& c) { captions.push_back(c); };
  h.app.mainForm().TickTimer.enabled = false;
  h.app.mainForm().Display.text = "old";

  h.app.PortList_Click(2);
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("CommPort=2", "Settings=9600,N,8,1", "DTREnable=1",
                                                "Handshaking=0", "RTSEnable=1", "PortOpen=1"));
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM2)");
  EXPECT_TRUE(h.app.mainForm().TickTimer.enabled);
  EXPECT_EQ(h.app.mainForm().TickTimer.interval, 50);
  EXPECT_EQ(h.app.mainForm().Display.text, "");

  // Another choice closes first (caption Inactive on the way), even for the same port.
  h.fp.journal.Clear();
  h.app.PortList_Click(10);
  EXPECT_EQ(h.fp.journal.entries.front(), "PortOpen=0");
  EXPECT_EQ(h.fp.journal.entries.back(), "PortOpen=1");
  EXPECT_THAT(captions, ElementsAre("Tolvane (Active On COM2)", "Tolvane (Inactive)", "Tolvane (Active On COM10)"));
  h.fp.journal.Clear();
  h.app.PortList_Click(10);
  EXPECT_EQ(h.fp.journal.entries.front(), "PortOpen=0");
  EXPECT_TRUE(h.fp.serial.PortOpen());

  h.app.PortList_Click(0);
  EXPECT_FALSE(h.fp.serial.PortOpen());
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Inactive)");
  EXPECT_TRUE(h.app.mainForm().TickTimer.enabled);  // keeps ticking after a close
  EXPECT_EQ(h.app.port().state.ComPortText, "0");
}

TEST(PortActivation, FlowControlModesSetHandshakingAndRts) {
  const struct {
    std::int16_t mode;
    std::vector<std::string> tail;
  } cases[] = {
      {0, {"Handshaking=0", "RTSEnable=1"}},
      {1, {"Handshaking=3", "RTSEnable=1"}},
      {2, {"Handshaking=2", "RTSEnable=1"}},
      {3, {"Handshaking=0", "RTSEnable=0"}},
      {7, {}},
  };
  for (const auto& c : cases) {
    Harness h;
    h.app.serialSettings().FlowCtrlIndex = c.mode;
    h.app.PortList_Click(1);
    std::vector<std::string> expected{"CommPort=1", "Settings=9600,N,8,1", "DTREnable=1"};
    expected.insert(expected.end(), c.tail.begin(), c.tail.end());
    expected.push_back("PortOpen=1");
    EXPECT_EQ(h.fp.journal.entries, expected) << "mode " << c.mode;
  }
}

TEST(PortActivation, FailedOpenShowsTheErrorAndStopsTheTimerUntilAPortOpens) {
  Harness h;
  h.fp.serial.FailWith("PortOpen", "Port already open");
  h.app.PortList_Click(3);
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Error: Port already open)");
  EXPECT_FALSE(h.app.mainForm().TickTimer.enabled);

  h.fp.serial.FailWith("PortOpen", "");
  h.app.PortList_Click(4);
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM4)");
  EXPECT_TRUE(h.app.mainForm().TickTimer.enabled);
}

TEST(PortActivation, RejectedPropertyIsReportedLikeAFailedOpen) {
  for (const char* property : {"CommPort", "Settings", "DTREnable", "Handshaking", "RTSEnable"}) {
    Harness h;
    h.fp.serial.FailWith(property, "Invalid property value");
    h.app.PortList_Click(1);
    EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Error: Invalid property value)") << property;
    EXPECT_FALSE(h.app.mainForm().TickTimer.enabled) << property;
    EXPECT_FALSE(h.fp.serial.PortOpen()) << property;
    EXPECT_TRUE(h.fp.journal.With("PortOpen").empty()) << property << ": no open after a rejected value";
  }
}

}  // namespace
}  // namespace tolvane::test

namespace tolvane::test {
namespace {

TEST(PortActivation, LostDeviceIsReportedAndReopenedQuietlyEverySecond) {
  Harness h;
  h.app.PortList_Click(3);
  h.fp.serial.Arrive("12");
  h.Ticks(1);
  h.fp.serial.Unplug("The device does not recognize the command.");
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Error: The device does not recognize the command.)");
  EXPECT_FALSE(h.fp.serial.PortOpen());
  EXPECT_TRUE(h.app.mainForm().RetryTimer.enabled);
  EXPECT_EQ(h.app.mainForm().RetryTimer.interval, 1000);

  h.fp.serial.FailWith("PortOpen", "The system cannot find the file specified.");
  h.app.RetryTimer_Tick();
  h.app.RetryTimer_Tick();
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Error: The device does not recognize the command.)") << "quietly";
  EXPECT_TRUE(h.app.port().Retrying());

  h.fp.serial.FailWith("PortOpen", "");  // plugged in again
  h.fp.journal.Clear();
  h.app.RetryTimer_Tick();
  EXPECT_TRUE(h.fp.serial.PortOpen());
  EXPECT_EQ(h.fp.serial.commPort, 3);
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM3)");
  EXPECT_FALSE(h.app.mainForm().RetryTimer.enabled);
  // The half record from before is finished, and scanning goes on.
  h.fp.serial.Arrive("34");
  h.Ticks(4);
  EXPECT_EQ(h.fp.sendKeys.typed, (std::vector<std::string>{"1", "2", "3", "4", ""}));
}

TEST(PortActivation, ChoosingAPortStopsTheRetries) {
  Harness h;
  h.app.PortList_Click(3);
  h.fp.serial.Unplug("gone");
  h.fp.serial.FailWith("PortOpen", "gone");
  h.app.PortList_Click(0);
  EXPECT_FALSE(h.app.port().Retrying());
  EXPECT_FALSE(h.app.mainForm().RetryTimer.enabled);
  h.fp.serial.FailWith("PortOpen", "");
  h.app.RetryTimer_Tick();
  EXPECT_FALSE(h.fp.serial.PortOpen());
}

}  // namespace
}  // namespace tolvane::test

namespace tolvane::test {
namespace {

TEST(PortActivation, FailedWriteIsShownOncePerOpenAndScanningGoesOn) {
  Harness h;
  std::vector<std::string> captions;
  h.app.mainForm().captionChanged = [&](const std::string& c) { captions.push_back(c); };
  h.fp.serial.FailWrite("Write timed out");  // closed: nothing to report
  EXPECT_TRUE(captions.empty());

  h.Open(4);
  h.fp.serial.FailWrite("Write timed out");
  h.fp.serial.FailWrite("The device does not recognize the command.");
  EXPECT_THAT(captions, ElementsAre("Tolvane (Active On COM4)", "Tolvane (Error: Write timed out)"));
  EXPECT_TRUE(h.fp.serial.PortOpen());
  EXPECT_FALSE(h.app.port().Retrying());
  h.Scan("7");
  EXPECT_EQ(h.fp.sendKeys.typed, (std::vector<std::string>{"7", ""}));

  // Each open may report once again, also one made by the retry after a lost device.
  h.app.PortList_Click(4);
  h.fp.serial.FailWrite("Write timed out");
  h.fp.serial.Unplug("gone");
  h.app.RetryTimer_Tick();
  h.fp.serial.FailWrite("Write timed out");
  h.fp.serial.FailWrite("Write timed out");
  EXPECT_THAT(captions, ElementsAre("Tolvane (Active On COM4)", "Tolvane (Error: Write timed out)",
                                    "Tolvane (Inactive)", "Tolvane (Active On COM4)",
                                    "Tolvane (Error: Write timed out)", "Tolvane (Error: gone)",
                                    "Tolvane (Active On COM4)", "Tolvane (Error: Write timed out)"));
}

}  // namespace
}  // namespace tolvane::test
