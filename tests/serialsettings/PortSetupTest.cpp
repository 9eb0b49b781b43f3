#include "serialsettings/PortSetup.h"

#include <gmock/gmock.h>

#include <array>

#include "serialsettings/LineSettings.h"
#include "serialsettings/SettingsString.h"
#include "support/Harness.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;

// What the one settings reader of both programs takes, and what it refuses (each refusal is the
// serial control's "Invalid property value").
TEST(LineSettings, ReadsRateParityDataAndStopBits) {
  const struct {
    const char* text;
    std::uint32_t baud;
    char parity;
    int dataBits, stopBitsTimes2;
  } taken[] = {{"9600,N,8,1", 9600, 'N', 8, 2},      {"9600,n,8,1", 9600, 'N', 8, 2}, {"19200,e,7,2", 19200, 'E', 7, 4},
               {"110,M,4,1.5", 110, 'M', 4, 3},      {"1200,o,5,1", 1200, 'O', 5, 2}, {"14400,S,6,2", 14400, 'S', 6, 4},
               {"9999999,N,8,1", 9999999, 'N', 8, 2}};
  for (const auto& t : taken) {
    const auto line = ParseLineSettings(t.text);
    ASSERT_TRUE(line) << t.text;
    EXPECT_EQ(line->baud, t.baud) << t.text;
    EXPECT_EQ(line->parity, t.parity) << t.text;
    EXPECT_EQ(line->dataBits, t.dataBits) << t.text;
    EXPECT_EQ(line->stopBitsTimes2, t.stopBitsTimes2) << t.text;
  }
  for (const char* refused : {"",
                              "9600",
                              "9600,N,8",
                              "9600,N,8,1,",
                              ",N,8,1",
                              "0,N,8,1",
                              "96OO,N,8,1",
                              "-9600,N,8,1",
                              "10000000,N,8,1",
                              " 9600,N,8,1",
                              "9600,X,8,1",
                              "9600,,8,1",
                              "9600,NN,8,1",
                              "9600,N,3,1",
                              "9600,N,9,1",
                              "9600,N,x,1",
                              "9600,N,8,0",
                              "9600,N,8,3",
                              "9600,N,8,1.0",
                              "9600,N,8, 1",
                              "junk",
                              "\xFF,\xFF,\xFF,\xFF"})
    EXPECT_FALSE(ParseLineSettings(refused)) << refused;
}

// The list positions a stored string gives, and what OK with nothing changed stores: always a
// line the port accepts (the parity letter in either case, an unlisted rate kept), the flow
// control and the beep string as they were.
TEST(PortSetup, StoredStringGivesPositionsAndOkWithNothingChangedKeepsAWorkingLine) {
  const struct {
    const char* stored;
    std::array<std::int16_t, 4> positions;  // baud, parity, data bits, stop bits
    const char* saved;
  } cases[] = {
      {"9600,N,8,1", {6, 0, 3, 0}, "9600,N,8,1"},
      {"19200,E,7,2", {7, 2, 2, 2}, "19200,E,7,2"},
      {"9600,N,8,1.5", {6, 0, 3, 1}, "9600,N,8,1.5"},
      {"14400,N,8,1", {11, 0, 3, 0}, "14400,N,8,1"},
      {"9600,n,8,1", {6, 0, 3, 0}, "9600,N,8,1"},
      {"57600,o,7,2", {9, 1, 2, 2}, "57600,O,7,2"},
      {"115200,S,5,2", {10, 4, 0, 2}, "115200,S,5,2"},
      {"110,M,6,1", {0, 3, 1, 0}, "110,M,6,1"},
      {"300,O,8,1", {1, 1, 3, 0}, "300,O,8,1"},
      {"&H2580,N,8,1", {6, 0, 3, 0}, "9600,N,8,1"},
      {"", {8, 2, 2, 0}, "38400,E,7,1"},
      {"9600,NOMS,5,6,8", {6, 4, 3, 0}, "9600,S,8,1"},  // later hits win
      {"1200", {3, 2, 2, 0}, "1200,E,7,1"},             // no comma: the defaults stay
  };
  for (const auto& c : cases) {
    Harness h;
    SerialSettings& s = h.app.serialSettings();
    s.PortSettings = c.stored;
    s.FlowCtrlIndex = 3;
    s.ScannerBeepString = "27,7";
    DerivePositions(s);
    EXPECT_EQ((std::array{s.BaudIndex, s.ParityIndex, s.DataBitsIndex, s.StopBitsIndex}), c.positions) << c.stored;
    h.app.OpenPortSetup().OK_Button_Click();
    EXPECT_EQ(s.PortSettings, c.saved) << c.stored;
    EXPECT_TRUE(s.FlowCtrlIndex == 3 && s.ScannerBeepString == "27,7");
  }
  EXPECT_EQ(BuildSettingsString("0", 9, -1, 7), "0,E,7,1");
}

// OK on a closed port only stores what the next activation uses; on an open one it reopens
// with the new line settings and reports a failed reopen. Help keeps the dialog, Cancel changes nothing.
TEST(PortSetup, OkStoresAndReopensAnOpenPortCancelChangesNothing) {
  Harness h;
  DerivePositions(h.app.serialSettings());
  PortSetup closed = h.app.OpenPortSetup();
  closed.DataBitsCombo.listIndex = 2;
  closed.OK_Button_Click();
  EXPECT_TRUE(h.fp.journal.entries.empty());
  h.Open(2);
  EXPECT_EQ(h.fp.serial.settings, "9600,N,7,1");

  h.app.mainForm().left = 3000;
  h.app.mainForm().top = 2000;
  const SerialSettings before = h.app.serialSettings();
  PortSetup cancelled = h.app.OpenPortSetup();
  EXPECT_TRUE(cancelled.left == 2200 && cancelled.top == 2340) << "beside the main window";
  cancelled.HelpButton_Click();
  EXPECT_TRUE(cancelled.loaded);
  cancelled.BaudCombo.listIndex = 0;
  cancelled.FlowCtrlCombo.listIndex = 2;
  cancelled.BeepString.text = "7";
  cancelled.Cancel_Button_Click();
  const SerialSettings& after = h.app.serialSettings();
  EXPECT_FALSE(cancelled.loaded);
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("SendKeys {F1} nowait"));
  EXPECT_TRUE(after.PortSettings == before.PortSettings && after.BaudIndex == before.BaudIndex &&
              after.FlowCtrlIndex == before.FlowCtrlIndex && after.ScannerBeepString.empty());

  h.fp.journal.Clear();
  PortSetup d = h.app.OpenPortSetup();
  d.BaudCombo.listIndex = 10;
  d.ParityCombo.listIndex = 4;
  d.FlowCtrlCombo.listIndex = 3;
  d.BeepString.text = " 7 ,";
  d.OK_Button_Click();
  EXPECT_THAT(h.fp.journal.entries,
              ElementsAre("PortOpen=0", "Settings=115200,S,7,1", "Handshaking=0", "RTSEnable=0", "PortOpen=1"));
  EXPECT_EQ(h.app.serialSettings().PortSettings, "115200,S,7,1");
  EXPECT_EQ(h.app.serialSettings().ScannerBeepString, " 7 ,");
  EXPECT_EQ(h.app.serialSettings().FlowCtrlIndex, 3);
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM2)") << "the caption stays";
  EXPECT_FALSE(d.loaded);

  h.fp.serial.FailWith("PortOpen", "The device is not connected.");
  h.app.OpenPortSetup().OK_Button_Click();
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Error: The device is not connected.)");
  EXPECT_FALSE(h.app.mainForm().TickTimer.enabled);
}

}  // namespace
}  // namespace tolvane::test
