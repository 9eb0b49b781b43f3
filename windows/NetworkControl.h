// A serial device server's port over TCP, raw or through RFC 2217, as a serial control, with
// Winsock. Nothing blocks the window: the name is looked up on a thread of its own, which posts
// its answer; the socket is non-blocking and posts its events (WSAAsyncSelect); a timer bounds
// the connection and the writes. A connection that fails or drops is a lost device.
#pragma once

// After Win32.h: lean, the Windows header leaves Winsock to us.
#include "windows/Win32.h"
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "platform/SerialControl.h"
#include "serialsettings/DeviceAddress.h"
#include "serialsettings/Telnet.h"

namespace tolvane::win32 {

class NetworkControl : public tolvane::SerialControl {
 public:
  // The Device value an open connects to.
  using Address = std::function<std::string()>;
  explicit NetworkControl(Address address);
  ~NetworkControl() override;
  NetworkControl(const NetworkControl&) = delete;
  NetworkControl& operator=(const NetworkControl&) = delete;

  // Where the socket's events (socketMessage), the look-up's answer (lookupMessage, lParam the
  // answer to hand back) and the timer (timer, an id of the window's) go.
  void SetNotifyWindow(HWND window, UINT socketMessage, UINT lookupMessage, UINT_PTR timer);
  void SocketEvent(WPARAM socket, LPARAM event);
  void LookupDone(LPARAM answer);
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

  // As the serial control: how long bytes for the device may wait (ms), and how many may wait.
  static constexpr DWORD kWriteBound = 2000;
  static constexpr std::size_t kMaxQueued = 4096;
  // How long the look-up, the connection and the RFC 2217 agreement may take together (ms).
  static constexpr DWORD kConnectBound = 10000;

  struct Lookup;  // the look-up thread's, until it posts it

 private:
  enum class Stage { Closed, Resolving, Connecting, Negotiating, Connected, Lost };

  void ConnectNext();
  void Established();
  void Agreed();
  void Receive();
  void Send();
  void SendLine();
  void Raise(std::int16_t event);
  void Lost(const std::string& reason);
  void DropWrites(const std::string& reason);
  void CloseSocket();
  void Close();

  Address address_;
  bool started_ = false;  // Winsock
  HWND window_ = nullptr;
  UINT socketMessage_ = 0, lookupMessage_ = 0;
  UINT_PTR timer_ = 0;
  DeviceAddress target_;
  Stage stage_ = Stage::Closed;
  unsigned session_ = 0;  // one per open: a late answer, or a handler that closed the port, is noticed
  std::vector<std::vector<char>> endpoints_;  // the addresses found, each a sockaddr
  std::size_t next_ = 0;
  std::string connectError_;
  SOCKET socket_ = INVALID_SOCKET;
  DWORD openedAt_ = 0;
  TelnetClient telnet_;

  std::string settings_ = "9600,N,8,1";
  bool dtr_ = false, rts_ = false;
  std::int16_t handshaking_ = 0;
  std::int16_t commEvent_ = 0;
  std::vector<std::uint8_t> in_;
  std::string early_;  // the line's bytes given before the connection was ready for them
  std::string out_;    // bytes for the socket, as they go
  DWORD outSince_ = 0;
  std::string lostReason_, writeFailedReason_;
  std::function<void()> onComm_;
};

}  // namespace tolvane::win32
