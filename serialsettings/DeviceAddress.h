// A device on the network, as Device names it: tcp://HOST:PORT for the raw bytes of a serial
// device server's port, rfc2217://HOST:PORT for the same through the telnet protocol that also
// carries the line settings. Anything else Device holds is a device path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

struct DeviceAddress {
  bool rfc2217 = false;
  std::string host;  // a name or a numeric address, an IPv6 one without its brackets
  std::uint16_t port = 0;
  std::string text;  // as the program names it: "tcp://host:4001"
};

// Whether the value is meant as a network address rather than a path: it starts with "tcp:" or
// "rfc2217:" in any case, or with a scheme of two or more characters and "://". A path never
// does; a drive letter ("C:/") is one character.
bool IsNetworkAddress(std::string_view device);

// The address; nullopt, with what is wrong and the value named, for a malformed one.
std::optional<DeviceAddress> ParseDeviceAddress(std::string_view device, std::string& error);

}  // namespace tolvane
