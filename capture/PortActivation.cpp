#include "capture/PortActivation.h"

#include "serialsettings/FlowControl.h"

namespace tolvane {

std::string ErrorCaption(const std::string& description) { return "Tolvane (Error: " + description + ")"; }

PortActivation::PortActivation(SerialControl& serial, MainForm& form, const SerialSettings& settings,
                               RecordAssembly& assembly)
    : serial_(serial), form_(form), settings_(settings), assembly_(assembly) {}

void PortActivation::PortList_Click(std::int16_t n) {
  StopRetrying();  // the user's choice wins
  away_ = wantedBack_ = false;
  state.ComPortText = std::to_string(n);
  state.ComPort = n;
  if (serial_.PortOpen() || Opening()) TogglePort();
  if (n != 0) TogglePort();
  form_.Display.text.clear();
}

// The control's properties in the order it takes them, then the open. A new port is named
// and gets DTR; a reopen with new line settings keeps both. A value the control rejects
// before the open is reported like a failed open.
Status PortActivation::Open(bool newPort) {
  Status s = newPort ? serial_.SetCommPort(state.ComPort) : Status::Ok();
  if (s) s = serial_.SetSettings(settings_.PortSettings);
  if (s && newPort) s = serial_.SetDTREnable(true);
  if (s) s = ApplyFlowControl(serial_, settings_.FlowCtrlIndex);
  if (s) s = serial_.SetPortOpen(true);
  return s;
}

// The port opened at once, failed at once, or is under way until OpenEnded.
void PortActivation::Start(bool newPort, Opener opener) {
  if (const Status s = Open(newPort); !s)
    Failed(s.description, opener);
  else if (serial_.PortOpen())
    Opened(opener == Opener::Retry);  // a retry's connection under way keeps the error shown
  else
    opening_ = opener;
}

void PortActivation::OpenEnded() {
  const Opener opener = opening_;
  if (opener == Opener::None) return;  // an open already given up
  opening_ = Opener::None;
  if (serial_.PortOpen())
    Opened(opener == Opener::Retry);
  else
    Failed(serial_.OpenFailedReason(), opener);
}

void PortActivation::Failed(const std::string& reason, Opener opener) {
  if (opener == Opener::User) return OpenFailed(Status::Fail(reason));
  if (opener == Opener::Reopen && !retrying_) form_.SetCaption(ErrorCaption(reason));
  StartRetrying();
}

// Closing an open port, or one opening, always leaves it closed; there is nothing to report.
void PortActivation::Close() {
  opening_ = Opener::None;
  static_cast<void>(serial_.SetPortOpen(false));
}

void PortActivation::OpenFailed(const Status& s) {
  form_.SetCaption(ErrorCaption(s.description));
  form_.TickTimer.SetEnabled(false);
}

void PortActivation::TogglePort() {
  if (serial_.PortOpen() || Opening()) {
    Close();
    form_.SetCaption("Tolvane (Inactive)");
    return;  // the timer keeps ticking
  }
  Start(true, Opener::User);
}

void PortActivation::Opened(bool quiet) {
  StopRetrying();
  form_.TickTimer.Set(50, true);
  assembly_.PortOpened();
  writeFailureShown_ = false;
  if (!serial_.Connecting())
    ShowActive();
  else if (!quiet)
    form_.SetCaption("Tolvane (Connecting To " + serial_.DeviceName() + ")");
}

void PortActivation::ShowActive() {
  const std::string name = serial_.DeviceName();
  form_.SetCaption("Tolvane (Active On " + (name.empty() ? "COM" + state.ComPortText : name) + ")");
}

void PortActivation::Connected() {
  if (!serial_.PortOpen() || serial_.Connecting()) return;
  assembly_.PortOpened();
  ShowActive();
}

void PortActivation::DeviceLost() {
  if (!serial_.PortOpen()) return;
  const std::string reason = serial_.LostReason();
  Close();
  form_.SetCaption(ErrorCaption(reason.empty() ? "The device is not connected." : reason));
  StartRetrying();
}

void PortActivation::RetryTimer_Tick() {
  if (!retrying_ || serial_.PortOpen()) return StopRetrying();
  if (Opening()) return;  // the last attempt has not ended yet
  Start(true, Opener::Retry);
}

void PortActivation::WriteFailed() {
  // Every later write to a device that is off fails the same way; one caption says it.
  if (!serial_.PortOpen() || writeFailureShown_) return;
  writeFailureShown_ = true;
  const std::string reason = serial_.WriteFailedReason();
  form_.SetCaption(ErrorCaption(reason.empty() ? "Write timed out" : reason));
}

void PortActivation::ApplyLineSettings() {
  if (!serial_.PortOpen() && !Opening()) return;
  Close();
  Start(false, Opener::User);
}

void PortActivation::SessionAway() {
  if (away_) return;
  away_ = true;
  wantedBack_ = Active();
  if (!wantedBack_) return;
  StopRetrying();
  Close();
  form_.SetCaption("Tolvane (Inactive)");
}

void PortActivation::SessionBack() {
  if (!away_) return;
  away_ = false;
  if (wantedBack_) Reopen();
  wantedBack_ = false;
}

void PortActivation::PowerResumed() {
  if (!away_ && Active()) Reopen();
}

void PortActivation::Reopen() {
  StopRetrying();
  Close();
  Start(true, Opener::Reopen);
}

void PortActivation::StartRetrying() {
  retrying_ = true;
  if (!form_.RetryTimer.enabled) form_.RetryTimer.Set(1000, true);
}

void PortActivation::StopRetrying() {
  retrying_ = false;
  if (form_.RetryTimer.enabled) form_.RetryTimer.SetEnabled(false);
}

}  // namespace tolvane
