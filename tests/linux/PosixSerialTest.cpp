// The contract on the POSIX serial control, on a pseudo-terminal pair that socat makes: the
// control opens one end, the test plays the device on the other, and pumps the control as the
// program's loop does.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <termios.h>

#include "linux/SerialControl.h"
#include "tests/contract/GoogleTestRun.h"
#include "tests/linux/DeviceEnd.h"

namespace tolvane::contract {
namespace {

namespace fs = std::filesystem;

class PosixBed : public SerialBed {
 public:
  PosixBed() {
    char folder[] = "/tmp/tolvane-serial.XXXXXX";
    if (mkdtemp(folder)) dir_ = folder;
    ready_ = !dir_.empty() && Replug();
  }
  ~PosixBed() override {
    serial_.reset();
    Unplug();
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  // Whether the pair came up; socat's own account of it.
  bool ready() const { return ready_; }
  std::string log() const {
    std::ifstream in(dir_ + "/socat.log");
    std::stringstream s;
    s << in.rdbuf();
    return "socat in " + dir_ + ": " + s.str();
  }

  SerialControl& Make() override {
    serial_ = std::make_unique<posix::SerialControl>([this](std::int16_t) { return dir_ + "/dev"; });
    return *serial_;
  }
  std::int16_t Port() const override { return 1; }
  std::string Device() const { return dir_ + "/dev"; }
  void Send(std::string_view bytes) override { far_.Send(bytes); }
  std::string Heard() override { return far_.Heard(); }
  void SetReading(bool on) override { far_.SetReading(on); }

  bool Unplug() override {
    far_.Close();
    if (socat_ <= 0) return false;
    End(socat_);
    return Until(*this, [&] { return !fs::exists(dir_ + "/dev") && !fs::exists(dir_ + "/far"); });
  }
  bool Replug() override {
    if (socat_ > 0) return false;
    socat_ = SpawnPair(dir_);
    if (socat_ <= 0) return false;
    if (!Until(*this, [&] { return fs::exists(dir_ + "/dev") && fs::exists(dir_ + "/far"); })) return false;
    far_.Use(::open((dir_ + "/far").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    return far_.open();
  }

  std::string LineRefuses(const LineSettings& line) const override { return PseudoTerminalRefuses(line); }
  std::string DsrMissing() const override { return "a pseudo-terminal has no modem lines, so no DSR to change"; }
  void SetDsr(bool) override {}

  // The program's loop: the control's end polled as the program polls it, the ticks between.
  void Pump(std::chrono::milliseconds slice) override {
    for (const auto end = std::chrono::steady_clock::now() + slice;;) {
      const int fd = serial_ ? serial_->fd() : -1;
      pollfd fds[2] = {{fd, static_cast<short>(POLLIN | (serial_ && serial_->WantsWrite() ? POLLOUT : 0)), 0},
                       far_.Poll()};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      poll(fds, 2, static_cast<int>(std::min<long>(left.count(), 10)));
      if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) serial_->Readable();
      if (fds[0].revents & POLLOUT) serial_->Writable();
      if (serial_) serial_->Tick();
      far_.Exchange();
    }
  }

 private:
  std::string dir_;
  pid_t socat_ = 0;
  DeviceEnd far_;
  bool ready_ = false;
  std::unique_ptr<posix::SerialControl> serial_;
};

class PosixSerial : public ::testing::TestWithParam<Case> {};

TEST_P(PosixSerial, Contract) {
  PosixBed bed;
  ASSERT_TRUE(bed.ready()) << "no pseudo-terminal pair; " << bed.log();
  RunCase(bed, GetParam());
}

INSTANTIATE_TEST_SUITE_P(, PosixSerial, ::testing::ValuesIn(Cases()), CaseName);

// The line as the kernel keeps it for the control's end.
posix::KernelLine LineOf(int fd) {
  posix::KernelLine line;
  EXPECT_TRUE(posix::LineIo().Get(fd, line));
  return line;
}

// Any rate, set as asked; what the device does not take named, the port left closed; a byte
// with a parity error passed on as data, whatever the device was left with: no parity check,
// no marking, nothing ignored or stripped (the Windows program's DCB: no error character, no
// abort on error).
TEST(PosixSerialLine, RatesRefusalsAndParityErrors) {
  PosixBed bed;
  ASSERT_TRUE(bed.ready()) << bed.log();
  auto& serial = static_cast<posix::SerialControl&>(bed.Make());
  ASSERT_TRUE(serial.SetCommPort(1));
  for (const std::uint32_t rate : {14400u, 28800u, 250000u, 9600u}) {
    ASSERT_TRUE(serial.SetSettings(std::to_string(rate) + ",N,8,1")) << rate;
    ASSERT_TRUE(serial.SetPortOpen(true)) << rate;
    EXPECT_EQ(posix::Rate(LineOf(serial.fd())), rate);
    ASSERT_TRUE(serial.SetPortOpen(false));
  }

  // A pseudo-terminal keeps 8 data bits without parity, whatever it is asked.
  ASSERT_TRUE(serial.SetSettings("19200,E,7,1"));
  const Status refused = serial.SetPortOpen(true);
  EXPECT_FALSE(serial.PortOpen());
  EXPECT_THAT(refused.description,
              ::testing::AllOf(::testing::HasSubstr("7 data bits"), ::testing::HasSubstr("even parity"),
                               ::testing::HasSubstr("Settings=19200,E,7,1")));

  // The device left checking, marking and ignoring parity errors by whoever had it before.
  const int other = ::open(bed.Device().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(other, 0);
  posix::KernelLine before = LineOf(other);
  before.iflag |= INPCK | IGNPAR | PARMRK | ISTRIP;
  ASSERT_TRUE(posix::LineIo().Set(other, before));
  ASSERT_EQ(LineOf(other).iflag & (INPCK | IGNPAR | PARMRK | ISTRIP), tcflag_t{INPCK | IGNPAR | PARMRK | ISTRIP})
      << "premise";
  ::close(other);
  ASSERT_TRUE(serial.SetSettings("9600,N,8,1"));
  ASSERT_TRUE(serial.SetPortOpen(true));
  EXPECT_EQ(LineOf(serial.fd()).iflag & (INPCK | IGNPAR | PARMRK | ISTRIP), 0u);
}

// An adapter that keeps less than it is asked, as some USB adapters do with mark parity or
// rates they cannot divide to: the kernel's call succeeds, and the read-back names the loss.
TEST(PosixSerialLine, WhatTheAdapterDidNotTakeIsNamed) {
  struct Adapter : posix::LineIo {
    bool Set(int fd, const posix::KernelLine& asked) override {
      posix::KernelLine kept = asked;
      kept.cflag &= ~CRTSCTS;
      if (posix::Rate(asked) == 14400) posix::SetRate(kept, 9600);
      return LineIo::Set(fd, kept);
    }
  } adapter;
  PosixBed bed;
  ASSERT_TRUE(bed.ready()) << bed.log();
  posix::SerialControl serial([&bed](std::int16_t) { return bed.Device(); }, &adapter);
  ASSERT_TRUE(serial.SetCommPort(1) && serial.SetSettings("14400,N,8,1") && serial.SetHandshaking(2));
  const Status s = serial.SetPortOpen(true);
  EXPECT_EQ(s.description, bed.Device() + " does not take 14400 baud, RTS/CTS flow control (Settings=14400,N,8,1)");
  EXPECT_FALSE(serial.PortOpen());
  ASSERT_TRUE(serial.SetSettings("19200,N,8,1") && serial.SetHandshaking(0));
  EXPECT_TRUE(serial.SetPortOpen(true)) << "what it takes opens";
}

}  // namespace
}  // namespace tolvane::contract
