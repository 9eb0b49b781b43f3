// A serial device server's port over TCP as a serial control, with Winsock. Nothing blocks the
// window: the name is looked up on a thread of its own, which posts its answer; the socket is
// non-blocking and posts its events (WSAAsyncSelect); a timer bounds the connection and the writes.
#pragma once

// After Win32.h: lean, the Windows header leaves Winsock to us.
#include "windows/Win32.h"
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include "serialsettings/NetworkDevice.h"

namespace tolvane::win32 {

class NetworkControl : public NetworkDevice {
 public:
  explicit NetworkControl(Address address);
  ~NetworkControl() override;

  // Where the socket's events (socketMessage), the look-up's answer (lookupMessage, lParam the
  // answer to hand back) and the timer (timer, an id of the window's) go.
  void SetNotifyWindow(HWND window, UINT socketMessage, UINT lookupMessage, UINT_PTR timer);
  void SocketEvent(WPARAM socket, LPARAM event);
  void LookupDone(LPARAM answer);

  struct Lookup;  // the look-up thread's, until it posts it

 private:
  Status StartLookup(const DeviceAddress& target, unsigned session) override;
  Attempt Connect(const std::vector<char>& endpoint, std::string& error) override;
  long ReadSome(char* buffer, std::size_t size, std::string& failure) override;
  long WriteSome(std::string_view bytes) override;
  void Disconnect() override;
  void Timing(bool on) override;

  bool started_ = false;  // Winsock
  HWND window_ = nullptr;
  UINT socketMessage_ = 0, lookupMessage_ = 0;
  UINT_PTR timer_ = 0;
  SOCKET socket_ = INVALID_SOCKET;
};

}  // namespace tolvane::win32
