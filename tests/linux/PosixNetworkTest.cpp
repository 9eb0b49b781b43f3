// The contract on the POSIX network control: over raw TCP to a listener the test plays the
// device server with, and through RFC 2217 to ser2net, a real device server, in front of a
// pseudo-terminal pair. Each bed pumps the control as the program's loop does.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "linux/KernelLine.h"
#include "linux/NetworkControl.h"
#include "tests/contract/GoogleTestRun.h"
#include "tests/linux/DeviceEnd.h"

namespace tolvane::contract {
namespace {

namespace fs = std::filesystem;

// The loopback interface's address with this port.
sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  return a;
}

// A free TCP port on the loopback interface, as the kernel hands one out.
std::uint16_t FreePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a = Loopback(0);
  socklen_t size = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  ::close(s);
  return ntohs(a.sin_port);
}

// Whether something listens on the port: a connection is taken.
bool Listens(std::uint16_t port) {
  const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in a = Loopback(port);
  const bool ok = ::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

// What both beds share: the control, made anew, pumped with the far end's own descriptors.
class NetworkBed : public SerialBed {
 public:
  // The far end writes to a connection the control may have closed, as the program does.
  NetworkBed() { signal(SIGPIPE, SIG_IGN); }
  SerialControl& Make() override {
    serial_ = std::make_unique<posix::NetworkControl>([this] { return address_; });
    return *serial_;
  }
  std::int16_t Port() const override { return 1; }
  void Send(std::string_view bytes) override { far_.Send(bytes); }
  std::string Heard() override { return far_.Heard(); }
  void SetReading(bool on) override { far_.SetReading(on); }
  void SetDsr(bool) override {}
  void Pump(std::chrono::milliseconds slice) override {
    for (const auto end = std::chrono::steady_clock::now() + slice;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      pollfd fds[3] = {{serial_ ? serial_->fd() : -1, serial_ ? serial_->Events() : short{0}, 0},
                       far_.Poll(),
                       {listener_, POLLIN, 0}};
      poll(fds, 3, static_cast<int>(std::min<long>(left.count(), 10)));
      if (fds[0].revents) serial_->Ready(fds[0].revents);
      if (serial_) serial_->Tick();
      if (fds[2].revents) Accept();
      far_.Exchange();
    }
  }
  posix::NetworkControl& control() { return *serial_; }

 protected:
  virtual void Accept() {}

  std::string address_;
  DeviceEnd far_;
  int listener_ = -1;
  std::unique_ptr<posix::NetworkControl> serial_;
};

// The device server is the test: a listener on the loopback interface, its latest connection the
// far end. Away, nothing listens on the port.
class TcpBed : public NetworkBed {
 public:
  TcpBed() : port_(FreePort()) {
    address_ = "tcp://127.0.0.1:" + std::to_string(port_);
    Replug();
  }
  ~TcpBed() override {
    serial_.reset();
    Unplug();
  }
  bool ready() const { return listener_ >= 0; }
  std::string DsrMissing() const override { return "a raw connection carries no modem lines"; }

  bool Unplug() override {
    far_.Close();
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
    return !Listens(port_);
  }
  bool Replug() override {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in a = Loopback(port_);
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || ::listen(listener_, 4) != 0) {
      ::close(listener_);
      listener_ = -1;
    }
    return listener_ >= 0;
  }

 private:
  // A new connection replaces the one before, as a device server with one port does.
  void Accept() override {
    const int s = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (s >= 0) far_.Use(s);
  }

  const std::uint16_t port_;
};

// ser2net serves one end of a pseudo-terminal pair on a telnet port with RFC 2217; the other end
// is the far end. Away, ser2net is not running. It holds the device only while a client is
// connected and throws away what came before, so the far end waits for the control to connect.
class Ser2netBed : public NetworkBed {
 public:
  Ser2netBed() : port_(FreePort()) {
    char folder[] = "/tmp/tolvane-ser2net.XXXXXX";
    if (mkdtemp(folder)) dir_ = folder;
    address_ = "rfc2217://127.0.0.1:" + std::to_string(port_);
    std::ofstream(dir_ + "/ser2net.yaml")
        << "connection: &scanner\n  accepter: telnet(rfc2217),tcp,127.0.0.1," << port_ << "\n  connector: serialdev,"
        << dir_ << "/dev,9600n81,local\n  options:\n    kickolduser: true\n";
    socat_ = SpawnPair(dir_);
    ready_ = socat_ > 0 && Until(*this, [&] { return fs::exists(dir_ + "/dev") && fs::exists(dir_ + "/far"); });
    if (ready_) far_.Use(::open((dir_ + "/far").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ready_ = far_.open() && Replug();
  }
  ~Ser2netBed() override {
    serial_.reset();
    Unplug();
    far_.Close();
    End(socat_);
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  bool ready() const { return ready_; }
  std::string log() const {
    std::stringstream s;
    for (const char* name : {"/ser2net.log", "/socat.log"}) s << name << ": " << std::ifstream(dir_ + name).rdbuf();
    return s.str();
  }
  std::string Device() const { return dir_ + "/dev"; }

  void Send(std::string_view bytes) override {
    if (serial_ && serial_->PortOpen()) Until(*this, [&] { return !serial_->Connecting(); });
    NetworkBed::Send(bytes);
  }
  std::string LineRefuses(const LineSettings& line) const override { return PseudoTerminalRefuses(line); }
  std::string DsrMissing() const override { return "ser2net's pseudo-terminal has no modem lines"; }
  bool Unplug() override {
    End(ser2net_);
    return !Listens(port_);
  }
  bool Replug() override {
    if (ser2net_ > 0) return false;
    ser2net_ = Spawn({"ser2net", "-n", "-d", "-c", dir_ + "/ser2net.yaml"}, dir_ + "/ser2net.log");
    return ser2net_ > 0 && Until(*this, [&] { return Listens(port_); });
  }

 private:
  const std::uint16_t port_;
  std::string dir_;
  pid_t socat_ = 0, ser2net_ = 0;
  bool ready_ = false;
};

class TcpNetwork : public ::testing::TestWithParam<Case> {};
class Rfc2217Network : public ::testing::TestWithParam<Case> {};

TEST_P(TcpNetwork, Contract) {
  TcpBed bed;
  ASSERT_TRUE(bed.ready()) << "premise: the test's listener";
  RunCase(bed, GetParam());
}

TEST_P(Rfc2217Network, Contract) {
  Ser2netBed bed;
  ASSERT_TRUE(bed.ready()) << "premise: ser2net listens on a pseudo-terminal pair (scripts/deps.sh installs it); "
                           << bed.log();
  RunCase(bed, GetParam());
}

INSTANTIATE_TEST_SUITE_P(, TcpNetwork, ::testing::ValuesIn(Cases()), CaseName);
INSTANTIATE_TEST_SUITE_P(, Rfc2217Network, ::testing::ValuesIn(Cases()), CaseName);

// The line settings reach the device behind the server, at the open and while open: the rate and
// stop bits read back from the pseudo-terminal ser2net set (it keeps no parity); the data the
// server sends before its answers is not lost.
TEST(Rfc2217Line, SettingsReachTheDeviceBehindTheServer) {
  Ser2netBed bed;
  ASSERT_TRUE(bed.ready()) << bed.log();
  auto& serial = static_cast<posix::NetworkControl&>(bed.Make());
  const auto line = [&bed] {
    posix::KernelLine t;
    const int fd = ::open(bed.Device().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const bool got = fd >= 0 && posix::LineIo().Get(fd, t);
    if (fd >= 0) ::close(fd);
    return got ? std::to_string(posix::Rate(t)) + ((t.cflag & CSTOPB) ? ",2" : ",1") : "unreadable";
  };
  ASSERT_NE(line(), "19200,2") << "premise: the device is not yet at the line asked for";
  ASSERT_TRUE(serial.SetCommPort(1) && serial.SetSettings("19200,N,8,2"));
  ASSERT_TRUE(serial.SetPortOpen(true));
  EXPECT_TRUE(Until(bed, [&] { return !serial.Connecting(); }) && serial.PortOpen() && serial.LostReason().empty())
      << serial.LostReason();
  EXPECT_TRUE(Until(bed, [&] { return line() == "19200,2"; })) << line();
  ASSERT_TRUE(serial.SetSettings("38400,N,8,1"));
  EXPECT_TRUE(Until(bed, [&] { return line() == "38400,1"; })) << "while open: " << line();
}

}  // namespace
}  // namespace tolvane::contract
