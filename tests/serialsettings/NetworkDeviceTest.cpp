// A device on the network: which Device values are addresses and what is wrong with a bad one,
// the telnet side of RFC 2217 as a device server speaks it, and the connection's course that both
// front ends share.
#include <gmock/gmock.h>

#include <algorithm>
#include <optional>

#include "serialsettings/DeviceAddress.h"
#include "serialsettings/DeviceSwitch.h"
#include "serialsettings/NetworkDevice.h"
#include "serialsettings/Telnet.h"
#include "tests/fakes/SerialControl.h"

namespace tolvane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// An address is never taken for a path, nor a path for an address; a bad address says what is
// wrong with it, by name.
TEST(DeviceAddress, AddressesAndPathsApart) {
  for (const char* address : {"tcp://h:1", "TCP://h:1", "rfc2217://h:1", "tcp:h:1", "Rfc2217:h", "udp://h:1", "ws://x"})
    EXPECT_TRUE(IsNetworkAddress(address)) << address;
  for (const char* path : {"/dev/ttyUSB0", "ttyUSB0", "C:/tcp", "C://x", "COM3", "\\\\.\\COM3", "./tcp://h:1",
                           "/tmp/tcp://h:1", "", "tcp", "1tcp://h:1"})
    EXPECT_FALSE(IsNetworkAddress(path)) << path;

  std::string error;
  const auto raw = ParseDeviceAddress("tcp://10.0.0.7:4001", error);
  ASSERT_TRUE(raw) << error;
  EXPECT_FALSE(raw->rfc2217);
  EXPECT_EQ(raw->host, "10.0.0.7");
  EXPECT_EQ(raw->port, 4001);
  const auto named = ParseDeviceAddress("RFC2217://Scanner-3.lan:02217/", error);
  ASSERT_TRUE(named) << error;
  EXPECT_TRUE(named->rfc2217);
  EXPECT_EQ(named->text, "rfc2217://Scanner-3.lan:2217");
  const auto v6 = ParseDeviceAddress("tcp://[fe80::1%eth0]:1", error);
  EXPECT_FALSE(v6) << "a zone is no part of an address in brackets here";
  const auto loop6 = ParseDeviceAddress("tcp://[::1]:65535", error);
  ASSERT_TRUE(loop6) << error;
  EXPECT_EQ(loop6->host, "::1");
  EXPECT_EQ(loop6->text, "tcp://[::1]:65535");

  const std::pair<const char*, const char*> bad[] = {
      {"tcp://scanner", "no port"},
      {"tcp://:4001", "no host"},
      {"tcp://", "no host"},
      {"tcp://h:0", "not between 1 and 65535"},
      {"tcp://h:65536", "not between 1 and 65535"},
      {"tcp://h:99999999999999999999", "not between 1 and 65535"},
      {"tcp://h:40x1", "not a port number"},
      {"tcp://h:1/path", "not a port number"},
      {"tcp://::1:4001", "in brackets"},
      {"tcp://user@h:1", "'@' in the host name"},
      {"tcp://a b:1", "' ' in the host name"},
      {"tcp://[::1]", "no port"},
      {"tcp://[::1:4001", "no ']'"},
      {"tcp:h:1", "\"//\" missing"},
      {"udp://h:1", "not a kind of address"},
  };
  for (const auto& [device, why] : bad) {
    EXPECT_FALSE(ParseDeviceAddress(device, error)) << device;
    EXPECT_THAT(error, StartsWith(std::string(device) + ": ")) << device;
    EXPECT_THAT(error, HasSubstr(why)) << device;
  }
}

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (const int v : values) s += static_cast<char>(v);
  return s;
}

constexpr int IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;

// What ser2net says as a client connects, answered byte by byte as it may arrive: each answer to
// what the client asked is taken without a word, only the echo it offers is declined, and the
// option is agreed. Data comes through with the protocol taken out of it, whatever the pieces.
TEST(Telnet, AgreesWithADeviceServerAndKeepsTheData) {
  const std::string greeting = Bytes({IAC, WILL, 3,    IAC, DO,  3,  IAC, WILL, 1,  IAC, DONT, 1, IAC, DO,
                                      0,   IAC,  WILL, 0,   IAC, DO, 44,  IAC,  SB, 44,  107,  0, IAC, SE});
  const std::string stream = "A" + Bytes({IAC, IAC}) + "B\r" + Bytes({0, IAC, SB, 44, 101, 0, 0, IAC, IAC, IAC, SE}) +
                             "C" + Bytes({IAC, 241}) + "D";
  for (const std::size_t piece : {1, 2, 3, 1000}) {
    TelnetClient client;
    const std::string start = client.Start();
    EXPECT_EQ(start, Bytes({IAC, WILL, 0, IAC, WILL, 3, IAC, WILL, 44, IAC, DO, 0, IAC, DO, 3}));
    std::string data, reply;
    const std::string all = greeting + stream;
    for (std::size_t at = 0; at < all.size(); at += piece) client.Receive(all.substr(at, piece), data, reply);
    EXPECT_EQ(reply, Bytes({IAC, DONT, 1})) << piece;
    EXPECT_TRUE(client.Agreed() && !client.Refused()) << piece;
    EXPECT_EQ(data,
              "A\xFF"
              "B\r" +
                  std::string(1, '\0') + "CD")
        << "binary: a NUL after CR is data; " << piece;
    EXPECT_EQ(client.Data("\xFF\r"), "\xFF\xFF\r") << piece;
  }

  // A server that does not take the option, and one that is not binary: CR NUL is CR both ways.
  TelnetClient refused;
  std::string data, reply;
  refused.Start();
  refused.Receive(Bytes({IAC, DONT, 44, IAC, WONT, 0, IAC, DONT, 0}) + "X\r" + Bytes({0}) + "Y", data, reply);
  EXPECT_TRUE(refused.Refused() && !refused.Agreed());
  EXPECT_EQ(data, "X\rY");
  EXPECT_EQ(refused.Data("\r\r\n"), Bytes({'\r', 0, '\r', '\n'}));
}

// DSR as the server tells it: the first state is where it starts; each change after it counts,
// and the same state again with the change flag set is two.
TEST(Telnet, DsrChangesAsTheServerTellsThem) {
  TelnetClient client;
  std::string data, reply;
  const auto modem = [&](int state) { client.Receive(Bytes({IAC, SB, 44, 107, state, IAC, SE}), data, reply); };
  modem(0x00);
  EXPECT_EQ(client.TakeDsrChanges(), 0);
  modem(0x20);
  modem(0x22);
  EXPECT_EQ(client.TakeDsrChanges(), 3);
  modem(0x10);  // CTS only
  EXPECT_EQ(client.TakeDsrChanges(), 1);
  EXPECT_TRUE(data.empty() && reply.empty());
}

// The line as the server is to set it; a 255 in a value is doubled.
TEST(Telnet, LineSettingsAsComPortCommands) {
  const std::string s = TelnetClient::LineCommands({65535, 'E', 7, 3}, 0, true, false);
  const auto sub = [](std::initializer_list<int> v) {
    std::string s = Bytes({IAC, SB, 44});
    return s + Bytes(v) + Bytes({IAC, SE});
  };
  EXPECT_THAT(s, HasSubstr(sub({1, 0, 0, IAC, IAC, IAC, IAC})));
  EXPECT_THAT(s, HasSubstr(sub({2, 7})));
  EXPECT_THAT(s, HasSubstr(sub({3, 3})));
  EXPECT_THAT(s, HasSubstr(sub({4, 3})));
  EXPECT_THAT(s, HasSubstr(sub({5, 1}) + sub({5, 8}) + sub({5, 12})));
  EXPECT_THAT(s, HasSubstr(sub({11, 0x22})));
  EXPECT_THAT(TelnetClient::LineCommands({9600, 'N', 8, 4}, 2, false, true),
              ::testing::AllOf(HasSubstr(sub({4, 2})), HasSubstr(sub({5, 3}) + sub({5, 9}) + sub({11, 0x22}))))
      << "RTS/CTS: RTS is the flow control's, not set";
}

// The program's one control: the network's when Device names an address at the open, else the
// port's. Both take every setting; what the program reads comes from the one in use, the reason
// an open under way failed included.
TEST(DeviceSwitch, OneInUseBothSet) {
  fake::Journal journal;
  fake::SerialControl port(journal), network(journal);
  bool address = false;
  DeviceSwitch device(port, network, [&] { return address; });
  port.opensLater = true;
  ASSERT_TRUE(device.SetCommPort(3).ok && device.SetPortOpen(true).ok);
  port.EndOpen("Access is denied.");
  EXPECT_EQ(device.OpenFailedReason(), "Access is denied.");
  address = true;
  ASSERT_TRUE(device.SetSettings("19200,E,7,1").ok && device.SetPortOpen(true).ok);
  EXPECT_TRUE(device.PortOpen() && network.PortOpen() && !port.PortOpen());
  EXPECT_EQ(port.settings, "19200,E,7,1");
  network.Unplug("cannot reach tcp://scanner:4001");
  EXPECT_EQ(device.LostReason(), "cannot reach tcp://scanner:4001");
  ASSERT_TRUE(device.SetPortOpen(false).ok);
  EXPECT_FALSE(network.PortOpen() || port.PortOpen());
}

// A front end whose socket does as the test says, and tells what was asked of it.
class ScriptedNetwork : public NetworkDevice {
 public:
  using NetworkDevice::Attempt;
  using NetworkDevice::ConnectFailed;
  using NetworkDevice::Endpoints;
  using NetworkDevice::LookedUp;
  using NetworkDevice::Receive;
  ScriptedNetwork() : NetworkDevice([] { return std::string("tcp://scanner:4001"); }) {
    SetOnComm([this] { events.push_back(CommEvent()); });
  }
  ~ScriptedNetwork() override { Close(); }

  std::vector<Attempt> attempts;                  // one a Connect, in order
  std::vector<std::string> connectErrors;         // as many
  std::vector<std::string> tried;                 // the endpoints asked for
  std::vector<std::optional<std::string>> reads;  // one a ReadSome; nullopt: the server closed
  std::size_t writeRoom = 1000;                   // bytes the socket takes, all told
  std::string written;
  std::vector<std::int16_t> events;

 private:
  Status StartLookup(const DeviceAddress&, unsigned) override { return Status::Ok(); }
  Attempt Connect(const std::vector<char>& endpoint, std::string& error) override {
    const std::size_t i = tried.size();
    tried.emplace_back(endpoint.begin(), endpoint.end());
    error = connectErrors.at(i);
    return attempts.at(i);
  }
  long ReadSome(char* buffer, std::size_t size, std::string&) override {
    if (reads.empty()) return 0;
    const auto chunk = reads.front();
    reads.erase(reads.begin());
    if (!chunk) return -1;
    const std::size_t n = std::min(size, chunk->size());
    std::copy_n(chunk->data(), n, buffer);
    return static_cast<long>(n);
  }
  long WriteSome(std::string_view bytes) override {
    const std::size_t n = std::min(bytes.size(), writeRoom - written.size());
    written.append(bytes.substr(0, n));
    return static_cast<long>(n);
  }
  void Disconnect() override {}
};

// Each address in turn until one takes the connection; when none does, the last one's reason.
// Bytes given before the connection go once it is made, and what the socket cannot take yet waits.
TEST(NetworkDevice, EachAddressInTurnAndTheBytesGivenEarly) {
  ScriptedNetwork failing;
  failing.attempts = {ScriptedNetwork::Attempt::Failed, ScriptedNetwork::Attempt::Pending,
                      ScriptedNetwork::Attempt::Failed};
  failing.connectErrors = {"refused", "", "unreachable"};
  ASSERT_TRUE(failing.SetPortOpen(true).ok && failing.Connecting());
  failing.LookedUp("", ScriptedNetwork::Endpoints{{'a'}, {'b'}, {'c'}});
  EXPECT_EQ(failing.tried, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(failing.Connecting() && failing.events.empty());
  failing.ConnectFailed("timed out");
  EXPECT_EQ(failing.tried, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(failing.LostReason(), "cannot connect to tcp://scanner:4001: unreachable");
  EXPECT_EQ(failing.events, std::vector<std::int16_t>{SerialControl::kEvDeviceLost});
  EXPECT_TRUE(failing.PortOpen() && !failing.Connecting());

  ScriptedNetwork made;
  made.attempts = {ScriptedNetwork::Attempt::Failed, ScriptedNetwork::Attempt::Made};
  made.connectErrors = {"refused", ""};
  made.writeRoom = 3;
  ASSERT_TRUE(made.SetPortOpen(true).ok && made.Output("hello").ok);
  EXPECT_TRUE(made.written.empty());
  made.LookedUp("", ScriptedNetwork::Endpoints{{'a'}, {'b'}});
  EXPECT_EQ(made.events, std::vector<std::int16_t>{SerialControl::kEvConnected});
  EXPECT_EQ(made.written, "hel");
  EXPECT_FALSE(made.Output(std::string(ScriptedNetwork::kMaxQueued - 1, 'x')).ok) << "the 2 bytes left wait too";
}

// A handler that closes the port on the bytes read ends the read there: the drop that came with
// them is not told of, and the port stays closed.
TEST(NetworkDevice, AHandlerThatClosesEndsTheRead) {
  ScriptedNetwork network;
  network.attempts = {ScriptedNetwork::Attempt::Made};
  network.connectErrors = {""};
  network.SetOnComm([&] {
    network.events.push_back(network.CommEvent());
    if (network.CommEvent() == SerialControl::kEvReceive) static_cast<void>(network.SetPortOpen(false));
  });
  ASSERT_TRUE(network.SetPortOpen(true).ok);
  network.LookedUp("", ScriptedNetwork::Endpoints{{'a'}});
  network.reads = {std::string("1234"), std::nullopt};
  network.Receive();
  EXPECT_TRUE(network.reads.empty()) << "the premise: the drop was read with the bytes";
  EXPECT_EQ(network.events, (std::vector<std::int16_t>{SerialControl::kEvConnected, SerialControl::kEvReceive}));
  EXPECT_FALSE(network.PortOpen());
  EXPECT_TRUE(network.LostReason().empty());

  ScriptedNetwork kept;  // the same read with nobody closing: the drop is told of, after the bytes
  kept.attempts = {ScriptedNetwork::Attempt::Made};
  kept.connectErrors = {""};
  ASSERT_TRUE(kept.SetPortOpen(true).ok);
  kept.LookedUp("", ScriptedNetwork::Endpoints{{'a'}});
  kept.reads = {std::string("1234"), std::nullopt};
  kept.Receive();
  EXPECT_EQ(kept.Input(), (std::vector<std::uint8_t>{'1', '2', '3', '4'}));
  EXPECT_EQ(kept.LostReason(), "the connection to tcp://scanner:4001 was closed by the server");
  EXPECT_EQ(kept.events.back(), SerialControl::kEvDeviceLost);
}

}  // namespace
}  // namespace tolvane::test
