#include "serialsettings/Telnet.h"

namespace tolvane {
namespace {

constexpr std::uint8_t kIacByte = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250, kSe = 240;
constexpr std::uint8_t kBinary = 0, kSga = 3, kComPortOption = 44;
// COM-PORT-OPTION commands from the client; the server's answers add 100.
constexpr std::uint8_t kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4, kSetControl = 5,
                       kSetModemMask = 11, kNotifyModem = 107;
constexpr std::uint8_t kModemDsr = 0x20, kModemDeltaDsr = 0x02;
// A subnegotiation longer than this is no COM-PORT-OPTION one; the rest of it is dropped.
constexpr std::size_t kMaxSub = 64;

std::string Command(std::uint8_t verb, std::uint8_t option) {
  return {static_cast<char>(kIacByte), static_cast<char>(verb), static_cast<char>(option)};
}

// A COM-PORT-OPTION command with its value, a 255 in the value doubled.
std::string Sub(std::uint8_t command, std::string_view value) {
  std::string s = {static_cast<char>(kIacByte), static_cast<char>(kSb), static_cast<char>(kComPortOption),
                   static_cast<char>(command)};
  for (const char c : value) {
    s += c;
    if (static_cast<std::uint8_t>(c) == kIacByte) s += c;
  }
  return s + static_cast<char>(kIacByte) + static_cast<char>(kSe);
}

std::string Sub(std::uint8_t command, std::uint8_t value) {
  return Sub(command, std::string(1, static_cast<char>(value)));
}

}  // namespace

std::string TelnetClient::Start() {
  std::string s;
  for (const std::uint8_t option : {kBinary, kSga, kComPortOption}) {
    us_[option] = kAsked;
    s += Command(kWill, option);
  }
  for (const std::uint8_t option : {kBinary, kSga}) {
    him_[option] = kAsked;
    s += Command(kDo, option);
  }
  return s;
}

void TelnetClient::Receive(std::string_view in, std::string& data, std::string& reply) {
  for (const char ch : in) {
    const auto b = static_cast<std::uint8_t>(ch);
    switch (parse_) {
      case kData:
        if (b == kIacByte) {
          parse_ = kIac;
        } else {
          if (!(cr_ && b == 0 && him_[kBinary] != kYes)) data += ch;
          cr_ = b == '\r';
        }
        break;
      case kIac:
        parse_ = kData;
        if (b == kIacByte) {
          data += ch;
          cr_ = false;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          parse_ = kOption;
        } else if (b == kSb) {
          sub_.clear();
          parse_ = kSub;
        }  // any other command (NOP, go-ahead, break...) carries nothing for the line
        break;
      case kOption:
        Negotiate(verb_, b, reply);
        parse_ = kData;
        break;
      case kSub:
        if (b == kIacByte)
          parse_ = kSubIac;
        else if (sub_.size() < kMaxSub)
          sub_ += ch;
        break;
      case kSubIac:
        if (b == kIacByte) {
          if (sub_.size() < kMaxSub) sub_ += ch;
          parse_ = kSub;
        } else {
          // IAC SE ends it; a server that ends it otherwise has ended it all the same.
          Subnegotiation();
          parse_ = b == kSe ? kData : kIac;
          if (parse_ == kIac) Receive(std::string_view(&ch, 1), data, reply);
        }
        break;
    }
  }
}

// The options of each side as RFC 1143 keeps them, without the queue: an answer to what was
// asked is not answered again, so no two ends loop.
void TelnetClient::Negotiate(std::uint8_t verb, std::uint8_t option, std::string& reply) {
  const bool ours = option == kBinary || option == kSga || option == kComPortOption;  // what we perform
  const bool wanted = option == kBinary || option == kSga;                            // what we want of him
  switch (verb) {
    case kDo:
      if (us_[option] == kAsked) {
        us_[option] = kYes;
      } else if (us_[option] == kNo) {
        if (ours) us_[option] = kYes;
        reply += Command(ours ? kWill : kWont, option);
      }
      break;
    case kDont:
      if (option == kComPortOption && us_[option] != kNo) refused_ = true;
      if (us_[option] == kYes) reply += Command(kWont, option);
      us_[option] = kNo;
      break;
    case kWill:
      if (him_[option] == kAsked) {
        him_[option] = kYes;  // only what is wanted is asked for
      } else if (him_[option] == kNo) {
        if (wanted) him_[option] = kYes;
        reply += Command(wanted ? kDo : kDont, option);
      }
      break;
    case kWont:
      if (him_[option] == kYes) reply += Command(kDont, option);
      him_[option] = kNo;
      break;
    default: break;
  }
}

void TelnetClient::Subnegotiation() {
  if (sub_.size() < 3 || static_cast<std::uint8_t>(sub_[0]) != kComPortOption) return;
  if (static_cast<std::uint8_t>(sub_[1]) != kNotifyModem) return;  // answers to our settings say nothing new
  const auto state = static_cast<std::uint8_t>(sub_[2]);
  const bool dsr = (state & kModemDsr) != 0;
  if (dsrKnown_) {
    // The same level again with the change flag set: it went and came back.
    if (dsr != dsr_)
      ++dsrChanges_;
    else if (state & kModemDeltaDsr)
      dsrChanges_ += 2;
  }
  dsrKnown_ = true;
  dsr_ = dsr;
}

std::string TelnetClient::Data(std::string_view bytes) const {
  std::string s;
  s.reserve(bytes.size());
  const bool binary = us_[kBinary] == kYes;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    s += bytes[i];
    if (static_cast<std::uint8_t>(bytes[i]) == kIacByte) s += bytes[i];
    // Outside binary mode a CR is followed by LF or by NUL.
    if (!binary && bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) s += '\0';
  }
  return s;
}

std::string TelnetClient::LineCommands(const LineSettings& line, std::int16_t handshaking, bool dtr, bool rts) {
  std::string baud;
  for (int shift = 24; shift >= 0; shift -= 8) baud += static_cast<char>((line.baud >> shift) & 0xFF);
  const std::string parities = "NOEMS";  // 1 .. 5
  const auto parity = static_cast<std::uint8_t>(parities.find(line.parity) + 1);
  const std::uint8_t stop = line.stopBitsTimes2 == 3 ? 3 : line.stopBitsTimes2 == 4 ? 2 : 1;
  const bool hardware = handshaking >= 2;
  const std::uint8_t flow = hardware ? 3 : handshaking == 1 ? 2 : 1;
  std::string s = Sub(kSetBaud, baud) + Sub(kSetDataSize, static_cast<std::uint8_t>(line.dataBits)) +
                  Sub(kSetParity, parity) + Sub(kSetStopSize, stop) + Sub(kSetControl, flow) +
                  Sub(kSetControl, dtr ? 8 : 9);
  if (!hardware) s += Sub(kSetControl, rts ? 11 : 12);
  return s + Sub(kSetModemMask, kModemDsr | kModemDeltaDsr);
}

}  // namespace tolvane
