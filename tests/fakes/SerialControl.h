// Scriptable serial control: bytes arrive when the test says so, a property or an open can be
// made to fail with a description, and every property write and output is journaled. It refuses
// the values the real controls refuse, with their descriptions.
#pragma once

#include <map>
#include <string>

#include "platform/SerialControl.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class SerialControl : public tolvane::SerialControl, Journaled {
 public:
  using Journaled::Journaled;

  Status SetCommPort(std::int16_t port) override;
  Status SetSettings(const std::string& settings) override;
  Status SetDTREnable(bool on) override { return Set("DTREnable", on ? "1" : "0"); }
  Status SetRTSEnable(bool on) override { return Set("RTSEnable", on ? "1" : "0"); }
  Status SetHandshaking(std::int16_t mode) override;
  Status SetPortOpen(bool open) override;
  bool PortOpen() const override { return open_; }
  std::int16_t CommEvent() const override { return commEvent_; }
  int InBufferCount() const override { return static_cast<int>(inBuffer_.size()); }
  std::vector<std::uint8_t> Input() override;
  Status Output(std::string_view bytes) override;
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }
  std::string LostReason() const override { return lostReason_; }
  std::string WriteFailedReason() const override { return writeFailedReason_; }

  // Scripting; each raises OnComm only while the port is open. Arrive queues bytes (event 2).
  void Arrive(std::string_view bytes);
  void ChangeDsr() { Raise(kEvDSR); }
  void Raise(std::int16_t event);             // any other notification
  void Unplug(const std::string& reason);     // the device goes away under an open port
  void FailWrite(const std::string& reason);  // written bytes were dropped
  // Property ("CommPort", "Settings", "DTREnable", "RTSEnable", "Handshaking", "PortOpen" (an
  // open), "Output") fails with description until cleared with an empty description.
  void FailWith(const std::string& property, const std::string& description);

  std::string written;  // every byte sent through Output, in order
  std::int16_t commPort = 0;
  std::string settings;

 private:
  // Journals "property=value"; the scripted failure, else the refusal (null: none).
  Status Set(const std::string& property, std::string_view value, const char* refusal = nullptr);

  bool open_ = false;
  std::int16_t commEvent_ = 0;
  std::string lostReason_, writeFailedReason_, inBuffer_;
  std::map<std::string, std::string> failures_;
  std::function<void()> onComm_;
};

}  // namespace tolvane::fake
