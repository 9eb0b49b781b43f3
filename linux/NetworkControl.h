// A serial device server's port over TCP as a serial control, with POSIX sockets. The open only
// starts the connection: the name is looked up on a thread of its own and everything else is
// carried on by the program's one loop, which polls fd() for Events() and calls Ready and Tick.
#pragma once

#include <memory>

#include "serialsettings/NetworkDevice.h"

namespace tolvane::posix {

class NetworkControl : public NetworkDevice {
 public:
  explicit NetworkControl(Address address) : NetworkDevice(std::move(address)) {}
  ~NetworkControl() override { Close(); }

  // What the loop polls: the look-up's signal, then the socket; -1 when there is nothing to wait for.
  int fd() const;
  short Events() const;
  void Ready(short revents);

  struct Lookup;  // shared with the thread that looks the name up

 private:
  Status StartLookup(const DeviceAddress& target, unsigned session) override;
  Attempt Connect(const std::vector<char>& endpoint, std::string& error) override;
  long ReadSome(char* buffer, std::size_t size, std::string& failure) override;
  long WriteSome(std::string_view bytes) override;
  void Disconnect() override;

  std::shared_ptr<Lookup> lookup_;
  int socket_ = -1;
};

}  // namespace tolvane::posix
