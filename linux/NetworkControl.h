// A serial device server's port over TCP, raw or through RFC 2217, as a serial control. The open
// only starts the connection: the name is looked up on a thread of its own and everything else
// is carried on by the program's one loop, which polls fd() for Events() and calls Ready and
// Tick. A connection that fails or drops is a lost device; writes are queued and never block.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/SerialControl.h"
#include "serialsettings/DeviceAddress.h"
#include "serialsettings/Telnet.h"

namespace tolvane::posix {

class NetworkControl : public tolvane::SerialControl {
 public:
  // The Device value an open connects to.
  using Address = std::function<std::string()>;
  explicit NetworkControl(Address address) : address_(std::move(address)) {}
  ~NetworkControl() override { Close(); }
  NetworkControl(const NetworkControl&) = delete;
  NetworkControl& operator=(const NetworkControl&) = delete;

  // What the loop polls: the look-up's signal, then the socket; -1 when there is nothing to wait for.
  int fd() const;
  short Events() const;
  void Ready(short revents);
  // Every tick of the loop: a connection that takes too long, bytes that waited too long.
  void Tick();

  Status SetCommPort(std::int16_t port) override;
  Status SetSettings(const std::string& settings) override;
  Status SetDTREnable(bool on) override;
  Status SetRTSEnable(bool on) override;
  Status SetHandshaking(std::int16_t mode) override;
  Status SetPortOpen(bool open) override;
  bool PortOpen() const override { return stage_ != Stage::Closed; }
  std::int16_t CommEvent() const override { return commEvent_; }
  int InBufferCount() const override { return static_cast<int>(in_.size()); }
  std::vector<std::uint8_t> Input() override;
  Status Output(std::string_view bytes) override;
  std::string LostReason() const override { return lostReason_; }
  std::string WriteFailedReason() const override { return writeFailedReason_; }
  bool Connecting() const override;
  std::string DeviceName() const override { return PortOpen() ? target_.text : ""; }
  void SetOnComm(std::function<void()> handler) override { onComm_ = std::move(handler); }

  // As the serial control: how long bytes for the device may wait, and how many may wait.
  static constexpr std::chrono::milliseconds kWriteBound{2000};
  static constexpr std::size_t kMaxQueued = 4096;
  // How long the look-up, the connection and the RFC 2217 agreement may take together.
  static constexpr std::chrono::seconds kConnectBound{10};

  struct Lookup;  // shared with the thread that looks the name up

 private:
  enum class Stage { Closed, Resolving, Connecting, Negotiating, Connected, Lost };

  void Resolved();
  void ConnectNext();
  void Established();
  void Agreed();
  void Receive();
  void Send();
  void SendLine();
  void Raise(std::int16_t event);
  void Lost(const std::string& reason);
  void DropWrites(const std::string& reason);
  void Close();

  Address address_;
  DeviceAddress target_;
  Stage stage_ = Stage::Closed;
  unsigned session_ = 0;  // one per open, so a handler that closes the port is noticed
  std::shared_ptr<Lookup> lookup_;
  std::vector<std::vector<char>> endpoints_;  // the addresses found, each a sockaddr
  std::size_t next_ = 0;
  std::string connectError_;
  int socket_ = -1;
  std::chrono::steady_clock::time_point openedAt_;
  TelnetClient telnet_;

  std::string settings_ = "9600,N,8,1";
  bool dtr_ = false, rts_ = false;
  std::int16_t handshaking_ = 0;
  std::int16_t commEvent_ = 0;
  std::vector<std::uint8_t> in_;
  std::string early_;  // the line's bytes given before the connection was ready for them
  std::string out_;    // bytes for the socket, as they go
  std::chrono::steady_clock::time_point outSince_;
  std::string lostReason_, writeFailedReason_;
  std::function<void()> onComm_;
};

}  // namespace tolvane::posix
