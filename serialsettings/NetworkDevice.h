// A serial device server's port over TCP, raw or through RFC 2217, as a serial control: the
// properties, the telnet protocol, the queue of bytes for the device and the bounds on the
// connection and the writes. A front end does the system's socket work through the hooks and
// calls back when its loop hears of the look-up, the connection or the socket. A connection that
// fails or drops is a lost device; writes are queued and never block.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialControl.h"
#include "serialsettings/DeviceAddress.h"
#include "serialsettings/Telnet.h"

namespace tolvane {

class NetworkDevice : public SerialControl {
 public:
  // The Device value an open connects to.
  using Address = std::function<std::string()>;
  explicit NetworkDevice(Address address) : address_(std::move(address)) {}
  NetworkDevice(const NetworkDevice&) = delete;
  NetworkDevice& operator=(const NetworkDevice&) = delete;

  // As often as the loop can: a connection that takes too long, bytes that waited too long.
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

  // How long the look-up, the connection and the RFC 2217 agreement may take together.
  static constexpr std::chrono::seconds kConnectBound{10};

 protected:
  enum class Stage { Closed, Resolving, Connecting, Negotiating, Connected, Lost };
  using Endpoints = std::vector<std::vector<char>>;  // each a sockaddr
  enum class Attempt { Failed, Pending, Made };

  // Starts looking the host up for the open numbered session; the answer comes to LookedUp.
  virtual Status StartLookup(const DeviceAddress& target, unsigned session) = 0;
  // Starts a connection to one address; error says why it failed.
  virtual Attempt Connect(const std::vector<char>& endpoint, std::string& error) = 0;
  // Bytes waiting on the socket: how many, 0 for none now, -1 when the connection has ended
  // (failure empty when the server closed it).
  virtual long ReadSome(char* buffer, std::size_t size, std::string& failure) = 0;
  // How many of the bytes the socket took; 0 or less when it is full or failing.
  virtual long WriteSome(std::string_view bytes) = 0;
  // Lets go of the socket and of a look-up under way.
  virtual void Disconnect() = 0;
  // Whether Tick is needed: from the open to the close. A loop that ticks anyway ignores this.
  virtual void Timing(bool /*on*/) {}

  // A front end's destructor closes: by the base's, the hooks are gone.
  void Close();
  void LookedUp(const std::string& error, Endpoints endpoints);
  void ConnectNext();
  void ConnectFailed(const std::string& error);
  void Established();
  void Receive();
  void Send();
  void Lost(const std::string& reason);

  Stage stage() const { return stage_; }
  // One per open and one per close, so a handler that closes or reopens the port is noticed.
  unsigned session() const { return session_; }
  const DeviceAddress& target() const { return target_; }
  bool Sending() const { return !out_.empty(); }

 private:
  using Clock = std::chrono::steady_clock;

  void Agreed();
  void SendLine();
  void Raise(std::int16_t event);
  void DropWrites(const std::string& reason);

  Address address_;
  DeviceAddress target_;
  Stage stage_ = Stage::Closed;
  unsigned session_ = 0;
  Endpoints endpoints_;
  std::size_t next_ = 0;
  std::string connectError_;
  Clock::time_point openedAt_;
  TelnetClient telnet_;

  std::string settings_ = "9600,N,8,1";
  bool dtr_ = false, rts_ = false;
  std::int16_t handshaking_ = 0;
  std::int16_t commEvent_ = 0;
  std::vector<std::uint8_t> in_;
  std::string early_;  // the line's bytes given before the connection was ready for them
  std::string out_;    // bytes for the socket, as they go
  Clock::time_point outSince_;
  std::string lostReason_, writeFailedReason_;
  std::function<void()> onComm_;
};

}  // namespace tolvane
