// The contract on the fake serial control: bytes from the far end arrive in pieces as the bed
// is pumped; the device and its DSR line are the fake's scripting.
#include "tests/contract/GoogleTestRun.h"
#include "tests/fakes/SerialControl.h"

namespace tolvane::contract {
namespace {

class FakeBed : public SerialBed {
 public:
  SerialControl& Make() override {
    serial_ = std::make_unique<fake::SerialControl>(journal_);
    return *serial_;
  }
  std::int16_t Port() const override { return 3; }
  void Send(std::string_view bytes) override { coming_.append(bytes); }
  std::string Heard() override { return serial_->written; }
  void SetReading(bool) override {}  // the fake's output is written at once
  bool Unplug() override {
    serial_->FailWith("PortOpen", "The device is not connected.");
    serial_->Unplug("The device is not connected.");
    return true;
  }
  bool Replug() override {
    serial_->FailWith("PortOpen", "");
    return true;
  }
  void SetDsr(bool on) override {
    if (on != dsr_) serial_->ChangeDsr();
    dsr_ = on;
  }
  // Up to a few hundred bytes a slice, as a line delivers them.
  void Pump(std::chrono::milliseconds) override {
    const std::string piece = coming_.substr(0, 300);
    coming_.erase(0, piece.size());
    if (!piece.empty()) serial_->Arrive(piece);
  }

 private:
  fake::Journal journal_;
  std::unique_ptr<fake::SerialControl> serial_;
  std::string coming_;
  bool dsr_ = false;
};

class FakeSerial : public ::testing::TestWithParam<Case> {};

TEST_P(FakeSerial, Contract) {
  FakeBed bed;
  RunCase(bed, GetParam());
}

INSTANTIATE_TEST_SUITE_P(, FakeSerial, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
}  // namespace tolvane::contract
