// Scriptable serial control: bytes arrive when the test says so, a property or an open can be
// made to fail with a description, an open can be left under way until the test ends it, and
// every property write and output is journaled. It refuses the values the real controls refuse,
// with their descriptions.
#pragma once

#include <map>
#include <string>

#include "platform/SerialControl.h"
#include "serialsettings/LineSettings.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class SerialControl : public tolvane::SerialControl, Journaled {
 public:
  using Journaled::Journaled;

  Status SetCommPort(std::int16_t port) override {
    const Status s = Set("CommPort", std::to_string(port),
                         open_      ? "Port already open"
                         : port < 1 ? "Invalid port number"
                                    : nullptr);
    if (s) commPort = port;
    return s;
  }
  Status SetSettings(const std::string& value) override {
    const Status s = Set("Settings", value, ParseLineSettings(value) ? nullptr : kInvalid);
    if (s) settings = value;
    return s;
  }
  Status SetDTREnable(bool on) override { return Set("DTREnable", on ? "1" : "0"); }
  Status SetRTSEnable(bool on) override { return Set("RTSEnable", on ? "1" : "0"); }
  Status SetHandshaking(std::int16_t mode) override {
    return Set("Handshaking", std::to_string(mode), mode < 0 || mode > 3 ? kInvalid : nullptr);
  }
  // A close never fails, as with the real controls, and flushes what was not read.
  Status SetPortOpen(bool open) override {
    const Status s = Set("PortOpen", open ? "1" : "0", open && (open_ || underWay_) ? "Port already open" : nullptr);
    if (!open) inBuffer_.clear();
    underWay_ = open && s && opensLater;
    if ((!open || s) && !underWay_) open_ = open;
    return open ? s : Status::Ok();
  }
  bool PortOpen() const override { return open_; }
  std::string OpenFailedReason() const override { return openFailedReason_; }
  std::int16_t CommEvent() const override { return commEvent_; }
  int InBufferCount() const override { return static_cast<int>(inBuffer_.size()); }
  std::vector<std::uint8_t> Input() override {
    const std::string taken = std::move(inBuffer_);
    inBuffer_.clear();
    return {taken.begin(), taken.end()};
  }
  Status Output(std::string_view bytes) override {
    const Status s = Set("Output", bytes, open_ ? nullptr : "Operation valid only when the port is open");
    if (s) written += bytes;
    return s;
  }
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }
  std::string LostReason() const override { return lostReason_; }
  std::string WriteFailedReason() const override { return writeFailedReason_; }
  bool Connecting() const override { return open_ && connecting; }
  std::string DeviceName() const override { return open_ ? deviceName : ""; }

  // Scripting; each raises OnComm only while the port is open. Arrive queues bytes (event 2).
  void Arrive(std::string_view bytes) {
    if (open_) inBuffer_ += bytes;  // a closed port hears nothing
    Raise(kEvReceive);
  }
  void ChangeDsr() { Raise(kEvDSR); }
  void Raise(std::int16_t event) {  // any other notification
    if (!open_) return;
    commEvent_ = event;
    if (onComm_) onComm_();
  }
  void Unplug(const std::string& reason) {  // the device goes away under an open port
    lostReason_ = reason;
    Raise(kEvDeviceLost);
  }
  void FailWrite(const std::string& reason) {  // written bytes were dropped
    writeFailedReason_ = reason;
    Raise(kEvWriteFailed);
  }
  void Connect() {  // an open that only started a connection (connecting) completes it
    connecting = false;
    Raise(kEvConnected);
  }
  // Property ("CommPort", "Settings", "DTREnable", "RTSEnable", "Handshaking", "PortOpen" (an
  // open), "Output") fails with description until cleared with an empty description.
  void FailWith(const std::string& property, const std::string& description) {
    failures_[property] = description;
    if (description.empty()) failures_.erase(property);
  }
  // With opensLater, an open that would succeed is left under way until EndOpen ends it: open, or
  // failed with the reason given. Closing abandons it.
  void EndOpen(const std::string& failure = "") {
    if (!underWay_) return;
    underWay_ = false;
    open_ = failure.empty();
    openFailedReason_ = failure;
    commEvent_ = open_ ? kEvOpened : kEvOpenFailed;  // told even though the port is not open
    if (onComm_) onComm_();
  }
  bool OpenUnderWay() const { return underWay_; }
  bool opensLater = false;

  std::string written;  // every byte sent through Output, in order
  std::int16_t commPort = 0;
  std::string settings;
  std::string deviceName;   // a network address: the port is known by it
  bool connecting = false;  // each open only starts a connection, completed by Connect()

 private:
  static constexpr const char* kInvalid = "Invalid property value";

  // Journals "property=value"; the scripted failure, else the refusal (null: none).
  Status Set(const std::string& property, std::string_view value, const char* refusal = nullptr) {
    journal_.Add(property + "=" + std::string(value));
    if (const auto it = failures_.find(property); it != failures_.end()) return Status::Fail(it->second);
    return refusal ? Status::Fail(refusal) : Status::Ok();
  }

  bool open_ = false, underWay_ = false;
  std::int16_t commEvent_ = 0;
  std::string lostReason_, writeFailedReason_, openFailedReason_, inBuffer_;
  std::map<std::string, std::string> failures_;
  std::function<void()> onComm_;
};

}  // namespace tolvane::fake
