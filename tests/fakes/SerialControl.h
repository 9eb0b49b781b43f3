// Scriptable serial control: bytes arrive when the test says so, a property or an open can be
// made to fail with a description, an open can be left under way until the test ends it, and
// every property write and output is journaled. It refuses the values the real controls refuse,
// with their descriptions.
#pragma once

#include <deque>
#include <map>
#include <string>

#include "platform/SerialControl.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class SerialControl : public tolvane::SerialControl {
 public:
  explicit SerialControl(Journal& journal) : journal_(journal) {}

  Status SetCommPort(std::int16_t port) override;
  Status SetSettings(const std::string& settings) override;
  Status SetDTREnable(bool on) override;
  Status SetRTSEnable(bool on) override;
  Status SetHandshaking(std::int16_t mode) override;
  Status SetPortOpen(bool open) override;
  bool PortOpen() const override { return open_; }
  std::string OpenFailedReason() const override { return openFailedReason_; }
  std::int16_t CommEvent() const override { return commEvent_; }
  int InBufferCount() const override { return static_cast<int>(inBuffer_.size()); }
  std::vector<std::uint8_t> Input() override;
  Status Output(std::string_view bytes) override;
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }
  std::string LostReason() const override { return lostReason_; }
  std::string WriteFailedReason() const override { return writeFailedReason_; }

  // Scripting. Arrive queues bytes and raises OnComm with event 2 while the port is open.
  void Arrive(std::string_view bytes);
  void ChangeDsr();                           // raises event 4
  void Raise(std::int16_t event);             // any other notification
  void Unplug(const std::string& reason);     // the device goes away under an open port
  void FailWrite(const std::string& reason);  // written bytes were dropped (an open port only)
  // Property ("CommPort", "Settings", "DTREnable", "RTSEnable", "Handshaking", "PortOpen" (an
  // open), "Output") fails with description until cleared with an empty description.
  void FailWith(const std::string& property, const std::string& description);
  // With opensLater, an open that would succeed is left under way until EndOpen ends it: open, or
  // failed with the reason given. Closing abandons it.
  void EndOpen(const std::string& failure = "");
  bool OpenUnderWay() const { return underWay_; }
  bool opensLater = false;

  std::string written;  // every byte sent through Output, in order
  std::int16_t commPort = 0;
  std::string settings;
  bool dtr = false, rts = false;
  std::int16_t handshaking = 0;

 private:
  Status Check(const std::string& property, const std::string& entry);

  Journal& journal_;
  bool open_ = false;
  bool underWay_ = false;
  std::string openFailedReason_;
  std::int16_t commEvent_ = 0;
  std::string lostReason_;
  std::string writeFailedReason_;
  std::deque<std::uint8_t> inBuffer_;
  std::map<std::string, std::string> failures_;
  std::function<void()> onComm_;
};

}  // namespace tolvane::fake
