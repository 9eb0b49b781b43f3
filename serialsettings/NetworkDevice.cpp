#include "serialsettings/NetworkDevice.h"

#include "serialsettings/LineSettings.h"

namespace tolvane {

namespace {

const char* const kInvalidValue = "Invalid property value";

}  // namespace

bool NetworkDevice::Connecting() const {
  return stage_ == Stage::Resolving || stage_ == Stage::Connecting || stage_ == Stage::Negotiating;
}

Status NetworkDevice::SetCommPort(std::int16_t port) {
  if (PortOpen()) return Status::Fail("Port already open");
  if (port < 1) return Status::Fail("Invalid port number");
  return Status::Ok();  // the address names the device
}

Status NetworkDevice::SetSettings(const std::string& settings) {
  if (!ParseLineSettings(settings)) return Status::Fail(kInvalidValue);
  settings_ = settings;
  SendLine();
  return Status::Ok();
}

Status NetworkDevice::SetDTREnable(bool on) {
  dtr_ = on;
  SendLine();
  return Status::Ok();
}

Status NetworkDevice::SetRTSEnable(bool on) {
  rts_ = on;
  SendLine();
  return Status::Ok();
}

Status NetworkDevice::SetHandshaking(std::int16_t mode) {
  if (mode < 0 || mode > 3) return Status::Fail(kInvalidValue);
  handshaking_ = mode;
  SendLine();
  return Status::Ok();
}

// The line as it stands, to a server that took the COM-PORT-OPTION.
void NetworkDevice::SendLine() {
  if (stage_ != Stage::Connected || !target_.rfc2217) return;
  out_ += TelnetClient::LineCommands(*ParseLineSettings(settings_), handshaking_, dtr_, rts_);
  Send();
}

Status NetworkDevice::SetPortOpen(bool open) {
  if (!open) {
    Close();
    return Status::Ok();
  }
  if (PortOpen()) return Status::Fail("Port already open");
  std::string error;
  const auto target = ParseDeviceAddress(address_(), error);
  if (!target) return Status::Fail(error);
  if (auto started = StartLookup(*target, session_ + 1); !started) return started;
  target_ = *target;
  ++session_;
  lostReason_.clear();
  telnet_ = TelnetClient();
  openedAt_ = Clock::now();
  stage_ = Stage::Resolving;
  Timing(true);
  return Status::Ok();
}

void NetworkDevice::Close() {
  ++session_;
  Disconnect();
  endpoints_.clear();
  stage_ = Stage::Closed;
  in_.clear();
  early_.clear();
  out_.clear();
  Timing(false);
}

void NetworkDevice::LookedUp(const std::string& error, Endpoints endpoints) {
  if (!error.empty()) return Lost("cannot connect to " + target_.text + ": " + error);
  endpoints_ = std::move(endpoints);
  next_ = 0;
  stage_ = Stage::Connecting;
  ConnectNext();
}

// Each address the look-up gave, in its order, until one takes the connection.
void NetworkDevice::ConnectNext() {
  Disconnect();
  while (next_ < endpoints_.size()) {
    switch (Connect(endpoints_[next_++], connectError_)) {
      case Attempt::Made: return Established();
      case Attempt::Pending: return;  // the loop hears when it is made
      case Attempt::Failed: break;
    }
  }
  Lost("cannot connect to " + target_.text + ": " + connectError_);
}

void NetworkDevice::ConnectFailed(const std::string& error) {
  connectError_ = error;
  ConnectNext();
}

void NetworkDevice::Established() {
  endpoints_.clear();
  if (!target_.rfc2217) return Agreed();
  stage_ = Stage::Negotiating;
  out_ += telnet_.Start();
  Send();
}

// Ready for the line's bytes: a raw connection at once, RFC 2217 once the server took the option.
void NetworkDevice::Agreed() {
  stage_ = Stage::Connected;
  SendLine();
  out_ += target_.rfc2217 ? telnet_.Data(early_) : early_;
  early_.clear();
  Send();
  if (stage_ == Stage::Connected) Raise(kEvConnected);
}

void NetworkDevice::Receive() {
  const unsigned session = session_;
  std::string data, reply, lost, failure;
  char buffer[4096];
  for (;;) {
    const long n = ReadSome(buffer, sizeof buffer, failure);
    if (n > 0) {
      if (target_.rfc2217)
        telnet_.Receive(std::string_view(buffer, static_cast<std::size_t>(n)), data, reply);
      else
        data.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0)
      lost =
          "the connection to " + target_.text + (failure.empty() ? " was closed by the server" : " failed: " + failure);
    break;
  }
  out_ += reply;
  // Bytes that came before a drop are the program's all the same.
  if (!data.empty()) {
    in_.insert(in_.end(), data.begin(), data.end());
    Raise(kEvReceive);
    if (session_ != session) return;
  }
  if (!lost.empty()) return Lost(lost);
  if (target_.rfc2217) {
    for (int changes = telnet_.TakeDsrChanges(); changes > 0 && session_ == session; --changes) Raise(kEvDSR);
    if (session_ != session) return;
    if (telnet_.Refused()) return Lost(target_.text + ": the server does not take RFC 2217 (try tcp://)");
    if (stage_ == Stage::Negotiating && telnet_.Agreed()) return Agreed();
  }
  Send();
}

void NetworkDevice::Send() {
  if (stage_ != Stage::Negotiating && stage_ != Stage::Connected) return;
  while (!out_.empty()) {
    const long n = WriteSome(out_);
    if (n <= 0) break;  // full (the loop hears when it is not), or failing: the read finds out, the bound drops it
    out_.erase(0, static_cast<std::size_t>(n));
    outSince_ = Clock::now();
  }
}

std::vector<std::uint8_t> NetworkDevice::Input() {
  std::vector<std::uint8_t> taken;
  taken.swap(in_);
  return taken;
}

Status NetworkDevice::Output(std::string_view bytes) {
  if (!PortOpen()) return Status::Fail("Operation valid only when the port is open");
  if (early_.size() + out_.size() + bytes.size() > kMaxQueued) return Status::Fail("The output buffer is full");
  if (early_.empty() && out_.empty()) outSince_ = Clock::now();
  if (stage_ != Stage::Connected) {  // a lost connection's are dropped by the bound, as a line's that is off
    early_.append(bytes);
    return Status::Ok();
  }
  out_ += target_.rfc2217 ? telnet_.Data(bytes) : std::string(bytes);
  Send();
  return Status::Ok();
}

void NetworkDevice::Tick() {
  if (!PortOpen()) return;
  const auto now = Clock::now();
  if (Connecting() && now - openedAt_ > kConnectBound) {
    const std::string what = stage_ == Stage::Resolving    ? "no answer from the name server"
                             : stage_ == Stage::Connecting ? "no answer"
                                                           : "the server does not answer as RFC 2217 asks (try tcp://)";
    return Lost("cannot connect to " + target_.text + ": " + what + " within " + std::to_string(kConnectBound.count()) +
                " seconds");
  }
  if ((!early_.empty() || !out_.empty()) && now - outSince_ > kWriteBound) DropWrites("Write timed out");
}

void NetworkDevice::DropWrites(const std::string& reason) {
  early_.clear();
  out_.clear();
  writeFailedReason_ = reason;
  Raise(kEvWriteFailed);
}

void NetworkDevice::Raise(std::int16_t event) {
  commEvent_ = event;
  if (onComm_) onComm_();
}

// The port stays open, and quiet, until the program closes it.
void NetworkDevice::Lost(const std::string& reason) {
  Disconnect();
  stage_ = Stage::Lost;
  lostReason_ = reason;
  Raise(kEvDeviceLost);
}

}  // namespace tolvane
