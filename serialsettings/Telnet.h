// The client's side of a telnet connection to a serial device server (RFC 854), with the serial
// line's settings and modem lines carried by the COM-PORT-OPTION (RFC 2217). Bytes only: the
// front end moves them over its connection.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "serialsettings/LineSettings.h"

namespace tolvane {

class TelnetClient {
 public:
  // What the client asks for as the connection opens: binary data both ways, no go-ahead, and
  // the COM-PORT-OPTION.
  std::string Start();
  // Bytes from the server: the line's data goes to data, what the protocol answers to reply.
  void Receive(std::string_view in, std::string& data, std::string& reply);
  // The line's bytes as they go to the server.
  std::string Data(std::string_view bytes) const;

  // The server took the COM-PORT-OPTION: line settings may be sent from now on.
  bool Agreed() const { return us_[kComPort] == kYes; }
  // The server refused it: it is no RFC 2217 server.
  bool Refused() const { return refused_; }
  // DSR changes the server told of since the last call.
  int TakeDsrChanges() {
    const int n = dsrChanges_;
    dsrChanges_ = 0;
    return n;
  }

  // The line as COM-PORT-OPTION commands: rate, data bits, parity, stop bits, flow control
  // (handshaking as the serial control takes it: 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both, which
  // the protocol cannot say and is sent as RTS/CTS), DTR, RTS unless RTS/CTS drives it, and the
  // request to be told of DSR changes.
  static std::string LineCommands(const LineSettings& line, std::int16_t handshaking, bool dtr, bool rts);

 private:
  static constexpr int kComPort = 44;
  enum State : std::uint8_t { kNo, kAsked, kYes };
  enum Parse : std::uint8_t { kData, kIac, kOption, kSub, kSubIac };

  void Negotiate(std::uint8_t verb, std::uint8_t option, std::string& reply);
  void Subnegotiation();

  State us_[256] = {};   // options this side performs
  State him_[256] = {};  // options the server performs
  Parse parse_ = kData;
  std::uint8_t verb_ = 0;
  bool cr_ = false;  // the last data byte was CR (a NUL after it is padding outside binary mode)
  bool refused_ = false;
  std::string sub_;
  bool dsrKnown_ = false, dsr_ = false;
  int dsrChanges_ = 0;
};

}  // namespace tolvane
