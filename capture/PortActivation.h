// Port activation: the port chooser opens the chosen COM port with the current settings and
// flow-control mode, starts the tick, and keeps the caption telling the state.
#pragma once

#include <cstdint>
#include <string>

#include "capture/RecordAssembly.h"
#include "platform/SerialControl.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

struct PortState {
  std::int16_t ComPort = 0;  // 0 none, n COMn
  std::string ComPortText = "0";
};

class PortActivation {
 public:
  PortActivation(SerialControl& serial, MainForm& form, const SerialSettings& settings, RecordAssembly& assembly);

  // A port choice (PortList, or the hidden PortOption buttons): always closes an open port first.
  void PortList_Click(std::int16_t n);
  // Closes the port if it is open, otherwise opens port ComPort.
  void TogglePort();

  // The open port's device went away (a connection failed or dropped): the error caption, the
  // port closed, and a quiet attempt to reopen it every second until it comes back or the user
  // chooses a port.
  void DeviceLost();
  // The connection an open started is made: the port is active.
  void Connected();
  void RetryTimer_Tick();
  // The settings dialog's OK: an open port is closed and reopened with the new line settings
  // and flow control; one that cannot come back is reported like a failed open.
  void ApplyLineSettings();
  bool Retrying() const { return retrying_; }

  // Bytes for the device were dropped: the error caption, once per open; the port stays open
  // and scanning goes on.
  void WriteFailed();

  PortState state;

 private:
  SerialControl& serial_;
  MainForm& form_;
  const SerialSettings& settings_;
  RecordAssembly& assembly_;
  bool retrying_ = false;
  bool writeFailureShown_ = false;

  Status Open(bool newPort);
  void OpenFailed(const Status& s);
  void Close();
  // A port opened; a connection still under way is told as such unless quiet.
  void Opened(bool quiet = false);
  void ShowActive();
  void StopRetrying();
};

std::string ErrorCaption(const std::string& description);

}  // namespace tolvane
