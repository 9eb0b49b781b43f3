#include "tests/fakes/SerialControl.h"

#include "serialsettings/LineSettings.h"

namespace tolvane::fake {

Status SerialControl::Check(const std::string& property, const std::string& entry) {
  journal_.Add(entry);
  const auto it = failures_.find(property);
  if (it != failures_.end()) return Status::Fail(it->second);
  return Status::Ok();
}

Status SerialControl::SetCommPort(std::int16_t port) {
  auto s = Check("CommPort", "CommPort=" + std::to_string(port));
  if (s && open_) s = Status::Fail("Port already open");
  if (s && port < 1) s = Status::Fail("Invalid port number");
  if (s) commPort = port;
  return s;
}

Status SerialControl::SetSettings(const std::string& value) {
  auto s = Check("Settings", "Settings=" + value);
  if (s && !ParseLineSettings(value)) s = Status::Fail("Invalid property value");
  if (s) settings = value;
  return s;
}

Status SerialControl::SetDTREnable(bool on) {
  auto s = Check("DTREnable", std::string("DTREnable=") + (on ? "1" : "0"));
  if (s) dtr = on;
  return s;
}

Status SerialControl::SetRTSEnable(bool on) {
  auto s = Check("RTSEnable", std::string("RTSEnable=") + (on ? "1" : "0"));
  if (s) rts = on;
  return s;
}

Status SerialControl::SetHandshaking(std::int16_t mode) {
  auto s = Check("Handshaking", "Handshaking=" + std::to_string(mode));
  if (s && (mode < 0 || mode > 3)) s = Status::Fail("Invalid property value");
  if (s) handshaking = mode;
  return s;
}

// A close never fails, as with the real controls.
Status SerialControl::SetPortOpen(bool open) {
  auto s = Check("PortOpen", std::string("PortOpen=") + (open ? "1" : "0"));
  if (!open) s = Status::Ok();
  if (s && open && (open_ || underWay_)) s = Status::Fail("Port already open");
  if (!s) return s;
  underWay_ = open && opensLater;
  if (underWay_) return s;
  open_ = open;
  if (!open) inBuffer_.clear();  // closing flushes what was not read
  return s;
}

std::vector<std::uint8_t> SerialControl::Input() {
  const std::size_t n = inBuffer_.size();
  std::vector<std::uint8_t> out(inBuffer_.begin(), inBuffer_.begin() + static_cast<long>(n));
  inBuffer_.erase(inBuffer_.begin(), inBuffer_.begin() + static_cast<long>(n));
  return out;
}

Status SerialControl::Output(std::string_view bytes) {
  auto s = Check("Output", "Output=" + std::string(bytes));
  if (s && !open_) s = Status::Fail("Operation valid only when the port is open");
  if (s) written += bytes;
  return s;
}

void SerialControl::Arrive(std::string_view bytes) {
  if (!open_) return;  // a closed port hears nothing
  inBuffer_.insert(inBuffer_.end(), bytes.begin(), bytes.end());
  Raise(kEvReceive);
}

void SerialControl::ChangeDsr() {
  if (open_) Raise(kEvDSR);
}

void SerialControl::Raise(std::int16_t event) {
  commEvent_ = event;
  if (onComm_) onComm_();
}

void SerialControl::Unplug(const std::string& reason) {
  lostReason_ = reason;
  if (open_) Raise(kEvDeviceLost);
}

void SerialControl::FailWrite(const std::string& reason) {
  writeFailedReason_ = reason;
  if (open_) Raise(kEvWriteFailed);
}

void SerialControl::EndOpen(const std::string& failure) {
  if (!underWay_) return;
  underWay_ = false;
  open_ = failure.empty();
  openFailedReason_ = failure;
  Raise(open_ ? kEvOpened : kEvOpenFailed);
}

void SerialControl::FailWith(const std::string& property, const std::string& description) {
  if (description.empty())
    failures_.erase(property);
  else
    failures_[property] = description;
}

}  // namespace tolvane::fake
