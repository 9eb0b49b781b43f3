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

// A control that opens later (a Bluetooth port connects its radio first): "Active" shows only once
// the port is open, a failure shows as a failed open does, and an open given up never acts when it
// ends. Nothing waits for an open meanwhile, and the retry after a lost device starts no second one.
TEST(PortActivation, AnOpenUnderWayShowsOnlyOnceItEnds) {
  CaptionHarness h;
  h.fp.serial.opensLater = true;
  h.app.PortList_Click(7);
  EXPECT_TRUE(h.fp.serial.OpenUnderWay());
  EXPECT_THAT(h.captions, testing::IsEmpty());
  h.fp.serial.EndOpen();
  EXPECT_THAT(h.captions, ElementsAre("Tolvane (Active On COM7)"));
  h.Scan("A");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("A", ""));

  h.app.PortList_Click(8);
  h.fp.serial.EndOpen("The semaphore timeout period has expired.");
  EXPECT_EQ(h.captions.back(), "Tolvane (Error: The semaphore timeout period has expired.)");
  EXPECT_FALSE(h.app.mainForm().TickTimer.enabled || h.app.port().Retrying());

  // Given up for another choice, or for none: its end, were it told, changes nothing.
  h.app.PortList_Click(9);
  h.app.PortList_Click(0);
  EXPECT_FALSE(h.fp.serial.OpenUnderWay());
  h.fp.serial.Raise(SerialControl::kEvOpened);
  EXPECT_EQ(h.captions.back(), "Tolvane (Inactive)");

  // New line settings while an open is under way: it is made again with them.
  h.app.PortList_Click(4);
  h.fp.journal.Clear();
  h.app.serialSettings().PortSettings = "19200,E,7,1";
  h.app.port().ApplyLineSettings();
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("PortOpen=0", "Settings=19200,E,7,1", "Handshaking=0", "RTSEnable=1", "PortOpen=1"));
  h.fp.serial.EndOpen();
  EXPECT_EQ(h.captions.back(), "Tolvane (Active On COM4)");

  // A lost device: one retry at a time, its failure quiet, its success shown.
  h.fp.serial.Unplug("gone");
  h.fp.journal.Clear();
  h.app.RetryTimer_Tick();
  h.app.RetryTimer_Tick();
  EXPECT_EQ(h.fp.journal.With("PortOpen=1").size(), 1u);
  h.fp.serial.EndOpen("The system cannot find the file specified.");
  EXPECT_EQ(h.captions.back(), "Tolvane (Error: gone)");
  h.app.RetryTimer_Tick();
  h.fp.serial.EndOpen();
  EXPECT_EQ(h.captions.back(), "Tolvane (Active On COM4)");
  EXPECT_FALSE(h.app.port().Retrying() || h.app.mainForm().RetryTimer.enabled);
}

// Fast user switching: user A's copy lets the port go when its session is handed over, so user
// B's copy can open it, and takes it back when A's session is connected again, retrying every
// second while B's copy still has it. A port that was not open stays so.
TEST(PortActivation, ASessionHandedToAnotherUserLetsThePortGoAndTakesItBack) {
  CaptionHarness h;
  ASSERT_TRUE(h.app.Form_Load({"C:\\Tolvane", "Tolvane", ""}));
  EXPECT_THAT(h.fp.journal.With("Notices"), ElementsAre("Notices for window 4096"));
  h.app.PortList_Click(3);
  h.fp.journal.Clear();
  h.fp.notices.Raise(SystemNotice::SessionAway);
  h.fp.notices.Raise(SystemNotice::SessionAway);  // locked, then disconnected
  h.fp.notices.Raise(SystemNotice::Resumed);      // nothing while away
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("PortOpen=0"));
  EXPECT_EQ(h.captions.back(), "Tolvane (Inactive)");
  h.fp.serial.FailWith("PortOpen", "Access is denied.");  // B's copy has it
  h.fp.notices.Raise(SystemNotice::SessionBack);
  EXPECT_EQ(h.fp.serial.commPort, 3);
  EXPECT_EQ(h.captions.back(), "Tolvane (Error: Access is denied.)");
  h.app.RetryTimer_Tick();
  EXPECT_EQ(h.captions.back(), "Tolvane (Error: Access is denied.)") << "quietly";
  h.fp.serial.FailWith("PortOpen", "");  // B's session was switched away in turn
  h.app.RetryTimer_Tick();
  EXPECT_EQ(h.captions.back(), "Tolvane (Active On COM3)");
  EXPECT_FALSE(h.app.mainForm().RetryTimer.enabled);

  h.app.PortList_Click(0);
  h.fp.journal.Clear();
  h.fp.notices.Raise(SystemNotice::SessionAway);
  h.fp.notices.Raise(SystemNotice::SessionBack);
  EXPECT_THAT(h.fp.journal.entries, testing::IsEmpty());
}

// Woken from sleep, a USB adapter comes back as another device: a port that was open, opening or
// being retried is opened anew, and retried like a lost one until the adapter is back.
TEST(PortActivation, AfterSleepThePortIsOpenedAnew) {
  CaptionHarness h;
  ASSERT_TRUE(h.app.Form_Load({"C:\\Tolvane", "Tolvane", ""}));
  h.fp.notices.Raise(SystemNotice::Resumed);
  EXPECT_THAT(h.fp.journal.With("PortOpen"), testing::IsEmpty()) << "no port, nothing to open";
  h.app.PortList_Click(6);
  h.fp.journal.Clear();
  h.fp.serial.FailWith("PortOpen", "The system cannot find the file specified.");
  h.fp.notices.Raise(SystemNotice::Resumed);
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("PortOpen=0", "CommPort=6", "Settings=9600,N,8,1", "DTREnable=1",
                                                "Handshaking=0", "RTSEnable=1", "PortOpen=1"));
  EXPECT_EQ(h.captions.back(), "Tolvane (Error: The system cannot find the file specified.)");
  EXPECT_TRUE(h.app.port().Retrying());
  h.fp.serial.FailWith("PortOpen", "");
  h.fp.notices.Raise(SystemNotice::Resumed);  // woken again before the next retry
  EXPECT_EQ(h.captions.back(), "Tolvane (Active On COM6)");
  EXPECT_FALSE(h.app.port().Retrying());
  h.fp.serial.opensLater = true;
  h.fp.notices.Raise(SystemNotice::Resumed);
  EXPECT_TRUE(h.fp.serial.OpenUnderWay());
  h.fp.notices.Raise(SystemNotice::Resumed);  // the open under way is given up for a new one
  h.fp.serial.EndOpen();
  h.Scan("Z");
  EXPECT_THAT(h.fp.sendKeys.typed, ElementsAre("Z", ""));
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
