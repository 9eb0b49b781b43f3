// The serial control on a POSIX terminal device: termios line settings, DTR and RTS, DSR
// changes, reads raised as receive notifications, and writes queued so they never block.
// Driven by the program's one loop: it polls fd(), and calls Readable, Writable and Tick.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "linux/KernelLine.h"
#include "platform/SerialControl.h"

namespace tolvane::posix {

class SerialControl : public tolvane::SerialControl {
 public:
  // The device for a port number (1..255) as the configuration names it.
  using DevicePath = std::function<std::string(std::int16_t port)>;
  // io: how the line is read and set; the kernel's unless a test stands in for an adapter.
  explicit SerialControl(DevicePath devicePath, LineIo* io = nullptr)
      : devicePath_(std::move(devicePath)), io_(io ? io : &kernel_) {}
  ~SerialControl() override { Close(); }
  SerialControl(const SerialControl&) = delete;
  SerialControl& operator=(const SerialControl&) = delete;

  // What the loop polls; nothing once the device is lost, whose hang-up every poll would report.
  int fd() const { return lost_ ? -1 : fd_; }
  const std::string& device() const { return device_; }
  bool WantsWrite() const { return !out_.empty(); }
  void Readable();
  void Writable();
  // Every tick of the loop: a DSR change, and bytes that waited too long to be written.
  void Tick();

  Status SetCommPort(std::int16_t port) override;
  Status SetSettings(const std::string& settings) override;
  Status SetDTREnable(bool on) override;
  Status SetRTSEnable(bool on) override;
  Status SetHandshaking(std::int16_t mode) override;
  Status SetPortOpen(bool open) override;
  bool PortOpen() const override { return fd_ >= 0; }
  std::int16_t CommEvent() const override { return commEvent_; }
  int InBufferCount() const override { return static_cast<int>(in_.size()); }
  std::vector<std::uint8_t> Input() override;
  Status Output(std::string_view bytes) override;
  std::string LostReason() const override { return lostReason_; }
  std::string WriteFailedReason() const override { return writeFailedReason_; }
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }

 private:
  Status ApplyLine();
  void ApplyModemLines();
  void Close();
  void Raise(std::int16_t event);
  void Lost(const std::string& reason);
  void DropWrites(const std::string& reason);

  DevicePath devicePath_;
  LineIo kernel_;
  LineIo* io_;
  std::string device_;
  int fd_ = -1;
  std::int16_t commPort_ = 1;
  std::string settings_ = "9600,N,8,1";
  bool dtr_ = false, rts_ = false;
  std::int16_t handshaking_ = 0;
  std::int16_t commEvent_ = 0;
  int lastModem_ = -1;
  bool lost_ = false;
  std::vector<std::uint8_t> in_;
  std::string out_;
  std::chrono::steady_clock::time_point outSince_;
  std::string lostReason_, writeFailedReason_;
  std::function<void()> onComm_;
};

// The serial devices there are, each with its stable /dev/serial/by-id/ name where there is one
// and whether this user may open it; none is opened to find out (that would raise DTR on a
// device another program uses). The roots are / but for tests.
std::vector<std::string> ListPorts(const std::string& devRoot = "/dev", const std::string& sysRoot = "/sys");

}  // namespace tolvane::posix
