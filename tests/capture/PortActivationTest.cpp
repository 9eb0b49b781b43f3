#include <gmock/gmock.h>

#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

struct CaptionHarness : Harness {
  CaptionHarness() {
    app.mainForm().captionChanged = [this](const std::string& c) { captions.push_back(c); };
  }
  std::vector<std::string> captions;
};

TEST(PortActivation, OpensWithTheWritesInOrderAndShowsTheCaption) {
  CaptionHarness h;
  h.app.mainForm().TickTimer.enabled = false;
  h.app.mainForm().Display.text = "old";
  h.app.PortList_Click(2);
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("CommPort=2", "Settings=9600,N,8,1", "DTREnable=1", "Handshaking=0",
                                                "RTSEnable=1", "PortOpen=1"));
  EXPECT_TRUE(h.app.mainForm().TickTimer.enabled && h.app.mainForm().TickTimer.interval == 50);
  EXPECT_EQ(h.app.mainForm().Display.text, "");

  // Another choice closes first (Inactive on the way), even for the same port.
  h.app.PortList_Click(10);
  h.fp.journal.Clear();
  h.app.PortList_Click(10);
  EXPECT_EQ(h.fp.journal.entries.front(), "PortOpen=0");
  EXPECT_TRUE(h.fp.serial.PortOpen());
  h.app.PortList_Click(0);
  EXPECT_FALSE(h.fp.serial.PortOpen());
  EXPECT_THAT(h.captions, ElementsAre("Tolvane (Active On COM2)", "Tolvane (Inactive)", "Tolvane (Active On COM10)",
                                      "Tolvane (Inactive)", "Tolvane (Active On COM10)", "Tolvane (Inactive)"));
  EXPECT_TRUE(h.app.mainForm().TickTimer.enabled);  // keeps ticking after a close

  const std::pair<std::int16_t, std::vector<std::string>> modes[] = {{1, {"Handshaking=3", "RTSEnable=1"}},
                                                                     {2, {"Handshaking=2", "RTSEnable=1"}},
                                                                     {3, {"Handshaking=0", "RTSEnable=0"}},
                                                                     {7, {}}};
  for (const auto& [mode, middle] : modes) {  // flow control, written between DTREnable and PortOpen
    Harness m;
    m.app.serialSettings().FlowCtrlIndex = mode;
    m.app.PortList_Click(1);
    const auto& j = m.fp.journal.entries;
    ASSERT_GE(j.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(j.begin() + 3, j.end() - 1), middle) << "mode " << mode;
  }
}

// A failed open, or a value the control rejects before it, shows the error and stops the
// tick until a port opens.
TEST(PortActivation, FailedOpenShowsTheErrorAndStopsTheTimerUntilAPortOpens) {
  for (const std::string property : {"PortOpen", "CommPort", "Settings", "DTREnable", "Handshaking", "RTSEnable"}) {
    Harness h;
    h.fp.serial.FailWith(property, "Invalid property value");
    h.app.PortList_Click(1);
    EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Error: Invalid property value)") << property;
    EXPECT_FALSE(h.app.mainForm().TickTimer.enabled || h.fp.serial.PortOpen()) << property;
    EXPECT_EQ(h.fp.journal.With("PortOpen").size(), property == "PortOpen" ? 1u : 0u) << property;
    h.fp.serial.FailWith(property, "");
    h.app.PortList_Click(4);
    EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM4)");
    EXPECT_TRUE(h.app.mainForm().TickTimer.enabled);
  }
}

TEST(PortActivation, LostDeviceIsReportedAndReopenedQuietlyEverySecondUntilAPortIsChosen) {
  Harness h;
  h.app.PortList_Click(3);
  h.fp.serial.Arrive("12");
  h.Ticks(1);
  h.fp.serial.Unplug("The device does not recognize the command.");
  const std::string lost = "Tolvane (Error: The device does not recognize the command.)";
  EXPECT_EQ(h.app.mainForm().Caption(), lost);
  EXPECT_FALSE(h.fp.serial.PortOpen());
  EXPECT_TRUE(h.app.mainForm().RetryTimer.enabled && h.app.mainForm().RetryTimer.interval == 1000);
  h.fp.serial.FailWith("PortOpen", "The system cannot find the file specified.");
  h.app.RetryTimer_Tick();
  h.app.RetryTimer_Tick();
  EXPECT_EQ(h.app.mainForm().Caption(), lost) << "quietly";
  h.fp.serial.FailWith("PortOpen", "");  // plugged in again
  h.app.RetryTimer_Tick();
  EXPECT_EQ(h.fp.serial.commPort, 3);
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM3)");
  EXPECT_FALSE(h.app.mainForm().RetryTimer.enabled);
  h.fp.serial.Arrive("34");  // the half record from before is finished with the rest
  h.Ticks(4);
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("1", "2", "3", "4", ""));

  h.fp.serial.Unplug("gone");  // the user's choice stops the retries
  h.app.PortList_Click(0);
  EXPECT_FALSE(h.app.port().Retrying() || h.app.mainForm().RetryTimer.enabled);
  h.app.RetryTimer_Tick();
  EXPECT_FALSE(h.fp.serial.PortOpen());
}

// A port on the network is known by its address, and active once its connection is made; one
// that fails or drops is a lost device, tried again every second, the error kept meanwhile.
TEST(PortActivation, ANetworkPortIsActiveOnceConnected) {
  CaptionHarness h;
  h.fp.serial.deviceName = "tcp://scanner:4001";
  h.fp.serial.connecting = true;
  h.app.PortList_Click(2);
  h.fp.serial.Connect();
  const std::string refused = "Tolvane (Error: cannot connect to tcp://scanner:4001: Connection refused)";
  h.fp.serial.Unplug("cannot connect to tcp://scanner:4001: Connection refused");
  h.fp.serial.connecting = true;
  h.app.RetryTimer_Tick();
  EXPECT_FALSE(h.app.mainForm().RetryTimer.enabled) << "no second attempt while one is under way";
  h.fp.serial.Unplug("cannot connect to tcp://scanner:4001: Connection refused");
  EXPECT_TRUE(h.app.mainForm().RetryTimer.enabled && h.app.mainForm().RetryTimer.interval == 1000);
  h.fp.serial.connecting = true;
  h.app.RetryTimer_Tick();
  h.fp.serial.Connect();
  const std::string on = "Tolvane (Active On tcp://scanner:4001)";
  EXPECT_THAT(h.captions, ElementsAre("Tolvane (Connecting To tcp://scanner:4001)", on, refused, refused, on));
  h.Scan("A");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("A", ""));
}

TEST(PortActivation, FailedWriteIsShownOncePerOpenAndScanningGoesOn) {
  CaptionHarness h;
  h.fp.serial.FailWrite("Write timed out");  // closed: nothing to report
  h.Open(4);
  h.fp.serial.FailWrite("Write timed out");
  h.fp.serial.FailWrite("The device does not recognize the command.");
  EXPECT_TRUE(h.fp.serial.PortOpen() && !h.app.port().Retrying());
  h.Scan("7");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("7", ""));
  // Each open may report once again, also one made by the retry after a lost device.
  h.app.PortList_Click(4);
  h.fp.serial.FailWrite("Write timed out");
  h.fp.serial.Unplug("gone");
  h.app.RetryTimer_Tick();
  h.fp.serial.FailWrite("Write timed out");
  h.fp.serial.FailWrite("Write timed out");
  const std::string on = "Tolvane (Active On COM4)", failed = "Tolvane (Error: Write timed out)";
  EXPECT_THAT(h.captions,
              ElementsAre(on, failed, "Tolvane (Inactive)", on, failed, "Tolvane (Error: gone)", on, failed));
}

}  // namespace
}  // namespace tolvane::test
