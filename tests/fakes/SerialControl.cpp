#include "tests/fakes/SerialControl.h"

#include "serialsettings/LineSettings.h"

namespace tolvane::fake {

constexpr const char* kInvalid = "Invalid property value";

Status SerialControl::Set(const std::string& property, std::string_view value, const char* refusal) {
  journal_.Add(property + "=" + std::string(value));
  if (const auto it = failures_.find(property); it != failures_.end()) return Status::Fail(it->second);
  return refusal ? Status::Fail(refusal) : Status::Ok();
}

Status SerialControl::SetCommPort(std::int16_t port) {
  const Status s = Set("CommPort", std::to_string(port),
                       open_      ? "Port already open"
                       : port < 1 ? "Invalid port number"
                                  : nullptr);
  if (s) commPort = port;
  return s;
}

Status SerialControl::SetSettings(const std::string& value) {
  const Status s = Set("Settings", value, ParseLineSettings(value) ? nullptr : kInvalid);
  if (s) settings = value;
  return s;
}

Status SerialControl::SetHandshaking(std::int16_t mode) {
  return Set("Handshaking", std::to_string(mode), mode < 0 || mode > 3 ? kInvalid : nullptr);
}

// A close never fails, as with the real controls, and flushes what was not read.
Status SerialControl::SetPortOpen(bool open) {
  const Status s = Set("PortOpen", open ? "1" : "0", open && open_ ? "Port already open" : nullptr);
  if (!open) inBuffer_.clear();
  if (!open || s) open_ = open;
  return open ? s : Status::Ok();
}

std::vector<std::uint8_t> SerialControl::Input() {
  const std::string taken = std::move(inBuffer_);
  inBuffer_.clear();
  return {taken.begin(), taken.end()};
}

Status SerialControl::Output(std::string_view bytes) {
  const Status s = Set("Output", bytes, open_ ? nullptr : "Operation valid only when the port is open");
  if (s) written += bytes;
  return s;
}

void SerialControl::Arrive(std::string_view bytes) {
  if (!open_) return;  // a closed port hears nothing
  inBuffer_ += bytes;
  Raise(kEvReceive);
}

void SerialControl::Raise(std::int16_t event) {
  if (!open_) return;
  commEvent_ = event;
  if (onComm_) onComm_();
}

void SerialControl::Unplug(const std::string& reason) {
  lostReason_ = reason;
  Raise(kEvDeviceLost);
}

void SerialControl::FailWrite(const std::string& reason) {
  writeFailedReason_ = reason;
  Raise(kEvWriteFailed);
}

void SerialControl::FailWith(const std::string& property, const std::string& description) {
  if (description.empty())
    failures_.erase(property);
  else
    failures_[property] = description;
}

}  // namespace tolvane::fake
