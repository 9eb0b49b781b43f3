// The contract on the POSIX serial control, on a pseudo-terminal pair that socat makes: the
// control opens one end, the test plays the device on the other, and pumps the control as the
// program's loop does.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "linux/SerialControl.h"
#include "tests/contract/GoogleTestRun.h"

extern char** environ;

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
  void Send(std::string_view bytes) override {
    coming_.append(bytes);
    Exchange();
  }
  std::string Heard() override {
    Exchange();
    return heard_;
  }
  void SetReading(bool on) override { reading_ = on; }

  // socat ends on SIGTERM and takes both ends, and their links, with it.
  bool Unplug() override {
    if (far_ >= 0) ::close(far_);
    far_ = -1;
    if (socat_ <= 0) return false;
    kill(socat_, SIGTERM);
    int status = 0;
    waitpid(socat_, &status, 0);
    socat_ = 0;
    return Until(*this, [&] { return !fs::exists(dir_ + "/dev") && !fs::exists(dir_ + "/far"); });
  }
  // The pair, with the control's end at dev and the device's at far, both raw.
  bool Replug() override {
    if (socat_ > 0) return false;
    const std::string log = dir_ + "/socat.log", dev = "pty,link=" + dir_ + "/dev,raw,echo=0",
                      far = "pty,link=" + dir_ + "/far,raw,echo=0";
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_addopen(&io, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&io, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&io, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const char* argv[] = {"socat", "-d", "-d", dev.c_str(), far.c_str(), nullptr};
    const int failed = posix_spawnp(&socat_, "socat", &io, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&io);
    if (failed) socat_ = 0;
    if (failed) return false;
    if (!Until(*this, [&] { return fs::exists(dir_ + "/dev") && fs::exists(dir_ + "/far"); })) return false;
    far_ = ::open((dir_ + "/far").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return far_ >= 0;
  }

  std::string LineRefuses(const LineSettings& line) const override { return PseudoTerminalRefuses(line); }
  std::string DsrMissing() const override { return "a pseudo-terminal has no modem lines, so no DSR to change"; }
  void SetDsr(bool) override {}

  // The program's loop: the control's end polled as the program polls it, the ticks between.
  void Pump(std::chrono::milliseconds slice) override {
    for (const auto end = std::chrono::steady_clock::now() + slice;;) {
      const int fd = serial_ ? serial_->fd() : -1;
      pollfd fds[2] = {{fd, static_cast<short>(POLLIN | (serial_ && serial_->WantsWrite() ? POLLOUT : 0)), 0},
                       {far_, static_cast<short>(POLLIN | (coming_.empty() ? 0 : POLLOUT)), 0}};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      poll(fds, 2, static_cast<int>(std::min<long>(left.count(), 10)));
      if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) serial_->Readable();
      if (fds[0].revents & POLLOUT) serial_->Writable();
      if (serial_) serial_->Tick();
      Exchange();
    }
  }

 private:
  // The device reads what came and writes what it has, without waiting.
  void Exchange() {
    if (far_ < 0) return;
    char buffer[4096];
    for (ssize_t n; reading_ && (n = ::read(far_, buffer, sizeof buffer)) > 0;)
      heard_.append(buffer, static_cast<std::size_t>(n));
    for (ssize_t n; !coming_.empty() && (n = ::write(far_, coming_.data(), coming_.size())) > 0;)
      coming_.erase(0, static_cast<std::size_t>(n));
  }

  std::string dir_;
  pid_t socat_ = 0;
  int far_ = -1;
  bool ready_ = false, reading_ = true;
  std::unique_ptr<posix::SerialControl> serial_;
  std::string coming_, heard_;
};

class PosixSerial : public ::testing::TestWithParam<Case> {};

TEST_P(PosixSerial, Contract) {
  PosixBed bed;
  ASSERT_TRUE(bed.ready()) << "no pseudo-terminal pair; " << bed.log();
  RunCase(bed, GetParam());
}

INSTANTIATE_TEST_SUITE_P(, PosixSerial, ::testing::ValuesIn(Cases()), CaseName);

}  // namespace
}  // namespace tolvane::contract
