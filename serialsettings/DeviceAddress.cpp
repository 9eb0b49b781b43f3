#include "serialsettings/DeviceAddress.h"

#include "common/Text.h"

namespace tolvane {
namespace {

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSchemeChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.'; }
bool IsHostChar(char c) { return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_'; }
bool IsIpv6Char(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
}

// The scheme's length: letters, digits, + - . after a letter, up to the first ':'; 0 for none.
std::size_t SchemeLength(std::string_view s) {
  if (s.empty() || !IsAlpha(s[0])) return 0;
  std::size_t n = 1;
  while (n < s.size() && IsSchemeChar(s[n])) ++n;
  return n < s.size() && s[n] == ':' ? n : 0;
}

std::string Shown(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 32 && b < 127) return std::string("'") + c + "'";
  const char* digits = "0123456789ABCDEF";
  return std::string("byte 0x") + digits[b >> 4] + digits[b & 15];
}

}  // namespace

bool IsNetworkAddress(std::string_view device) {
  const std::size_t n = SchemeLength(device);
  if (n == 0) return false;
  const std::string scheme = ToUpper(device.substr(0, n));
  if (scheme == "TCP" || scheme == "RFC2217") return true;
  return n >= 2 && device.substr(n, 3) == "://";
}

std::optional<DeviceAddress> ParseDeviceAddress(std::string_view device, std::string& error) {
  const std::string form = " (the form is tcp://HOST:PORT or rfc2217://HOST:PORT)";
  const auto fail = [&](const std::string& why) {
    error = std::string(device) + ": " + why + form;
    return std::nullopt;
  };
  const std::size_t n = SchemeLength(device);
  const std::string scheme = ToUpper(device.substr(0, n));
  DeviceAddress a;
  if (scheme == "RFC2217")
    a.rfc2217 = true;
  else if (scheme != "TCP")
    return fail(n ? "not a kind of address Tolvane knows" : "not a network address");
  if (device.substr(n, 3) != "://")
    return fail("\"//\" missing after \"" + std::string(device.substr(0, n + 1)) + "\"");
  std::string_view rest = device.substr(n + 3);
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);

  std::string_view host, port;
  if (!rest.empty() && rest[0] == '[') {
    const auto close = rest.find(']');
    if (close == std::string_view::npos) return fail("no ']' after the IPv6 address");
    host = rest.substr(1, close - 1);
    for (const char c : host)
      if (!IsIpv6Char(c)) return fail(Shown(c) + " in the IPv6 address");
    if (host.find(':') == std::string_view::npos) return fail("no IPv6 address between '[' and ']'");
    rest.remove_prefix(close + 1);
    if (rest.empty()) return fail("no port");
    if (rest[0] != ':') return fail(Shown(rest[0]) + " after the IPv6 address");
    port = rest.substr(1);
  } else {
    const auto colon = rest.rfind(':');
    host = rest.substr(0, colon);
    if (colon != std::string_view::npos) port = rest.substr(colon + 1);
    for (const char c : host) {
      if (c == ':') return fail("an IPv6 address must be written in brackets, [" + std::string(host) + "]");
      if (!IsHostChar(c)) return fail(Shown(c) + " in the host name");
    }
  }
  if (host.empty()) return fail("no host");
  if (port.empty()) return fail("no port");
  std::uint32_t number = 0;
  for (const char c : port) {
    if (!IsDigit(c)) return fail("\"" + std::string(port) + "\" is not a port number");
    number = number * 10 + static_cast<std::uint32_t>(c - '0');
    if (number > 65535) break;
  }
  if (number < 1 || number > 65535) return fail("port " + std::string(port) + " is not between 1 and 65535");
  a.host = std::string(host);
  a.port = static_cast<std::uint16_t>(number);
  const bool ipv6 = a.host.find(':') != std::string::npos;
  a.text = (a.rfc2217 ? "rfc2217://" : "tcp://") + (ipv6 ? "[" + a.host + "]" : a.host) + ":" + std::to_string(a.port);
  return a;
}

}  // namespace tolvane
