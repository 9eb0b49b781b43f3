// Port activation: the port chooser opens the chosen COM port with the current settings and
// flow-control mode, starts the tick, and keeps the caption telling the state. The caption says
// "Active" only once the port is open, whether the control opens it at once or later.
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
  // Closes the port if it is open or opening, otherwise opens port ComPort.
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
  bool Opening() const { return opening_ != Opener::None; }

  // Bytes for the device were dropped: the error caption, once per open; the port stays open
  // and scanning goes on.
  void WriteFailed();

  // An open the control left under way has ended (kEvOpened, kEvOpenFailed).
  void OpenEnded();

  // The user's session was handed to another user (fast user switching, a remote session
  // disconnected): a port open, opening or being retried is let go, so that user's copy can
  // have it. Back again, it is opened anew; one still taken is retried every second, quietly
  // after the first error caption.
  void SessionAway();
  void SessionBack();
  // The machine woke from sleep: a port open, opening or being retried is opened anew, since
  // its adapter may have come back as another device; retried like a lost one. Nothing while
  // the session is away.
  void PowerResumed();

  PortState state;

 private:
  // Who asked for the open under way, which decides what its failure shows.
  enum class Opener {
    None,
    User,    // a choice, start-up or new settings: the error caption, the tick stopped
    Retry,   // the retry timer: nothing, the caption keeps the first error
    Reopen,  // the program's own reopen: the error caption once, then retries
  };

  SerialControl& serial_;
  MainForm& form_;
  const SerialSettings& settings_;
  RecordAssembly& assembly_;
  bool retrying_ = false;
  bool writeFailureShown_ = false;
  Opener opening_ = Opener::None;
  bool away_ = false;        // released for another user's session
  bool wantedBack_ = false;  // and to be opened again when the session comes back

  bool Active() const { return serial_.PortOpen() || Opening() || retrying_; }
  Status Open(bool newPort);
  void Start(bool newPort, Opener opener);
  void Failed(const std::string& reason, Opener opener);
  void OpenFailed(const Status& s);
  void Close();
  // A port opened; a connection still under way is told as such unless quiet.
  void Opened(bool quiet = false);
  void ShowActive();
  void Reopen();
  void StartRetrying();
  void StopRetrying();
};

std::string ErrorCaption(const std::string& description);

}  // namespace tolvane
