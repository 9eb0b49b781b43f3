// The serial control the program sees: the COM port's, or the network connection's when Device
// names a network address, chosen again at each open. Properties go to both, so the one chosen
// next has them; everything else goes to the one chosen last.
#pragma once

#include <functional>

#include "platform/SerialControl.h"

namespace tolvane {

class DeviceSwitch : public SerialControl {
 public:
  DeviceSwitch(SerialControl& port, SerialControl& network, std::function<bool()> networkChosen)
      : port_(port), network_(network), networkChosen_(std::move(networkChosen)) {}

  Status SetCommPort(std::int16_t port) override { return Both(&SerialControl::SetCommPort, port); }
  Status SetSettings(const std::string& settings) override { return Both(&SerialControl::SetSettings, settings); }
  Status SetDTREnable(bool on) override { return Both(&SerialControl::SetDTREnable, on); }
  Status SetRTSEnable(bool on) override { return Both(&SerialControl::SetRTSEnable, on); }
  Status SetHandshaking(std::int16_t mode) override { return Both(&SerialControl::SetHandshaking, mode); }
  Status SetPortOpen(bool open) override {
    if (!open) {
      static_cast<void>(port_.SetPortOpen(false));
      return network_.SetPortOpen(false);
    }
    if (!active_->PortOpen()) active_ = networkChosen_() ? &network_ : &port_;
    return active_->SetPortOpen(true);
  }
  bool PortOpen() const override { return active_->PortOpen(); }
  std::string OpenFailedReason() const override { return active_->OpenFailedReason(); }
  std::int16_t CommEvent() const override { return active_->CommEvent(); }
  int InBufferCount() const override { return active_->InBufferCount(); }
  std::vector<std::uint8_t> Input() override { return active_->Input(); }
  Status Output(std::string_view bytes) override { return active_->Output(bytes); }
  std::string LostReason() const override { return active_->LostReason(); }
  std::string WriteFailedReason() const override { return active_->WriteFailedReason(); }
  bool Connecting() const override { return active_->Connecting(); }
  std::string DeviceName() const override { return active_->DeviceName(); }
  void SetOnComm(std::function<void()> handler) override {
    port_.SetOnComm(handler);
    network_.SetOnComm(std::move(handler));
  }

 private:
  // The chosen control's answer; the other one takes the value as well.
  template <typename T, typename V>
  Status Both(Status (SerialControl::*set)(T), const V& value) {
    SerialControl& chosen = active_->PortOpen() ? *active_ : networkChosen_() ? network_ : port_;
    SerialControl& other = &chosen == &port_ ? network_ : port_;
    static_cast<void>((other.*set)(value));
    return (chosen.*set)(value);
  }

  SerialControl& port_;
  SerialControl& network_;
  std::function<bool()> networkChosen_;
  SerialControl* active_ = &port_;
};

}  // namespace tolvane
