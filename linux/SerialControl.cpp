#include "linux/SerialControl.h"

#include <fcntl.h>
#include <glob.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>

#include "serialsettings/LineSettings.h"

namespace tolvane::posix {
namespace {

const char* const kInvalidValue = "Invalid property value";

std::string Reason(int error) {
  std::string s = std::strerror(error);
  return s + ".";
}

speed_t Speed(std::uint32_t baud) {
  static const std::map<std::uint32_t, speed_t> speeds = {
      {110, B110},       {300, B300},       {600, B600},       {1200, B1200},    {2400, B2400},
      {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},  {57600, B57600},
      {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};
  const auto it = speeds.find(baud);
  return it == speeds.end() ? B0 : it->second;
}

}  // namespace

Status SerialControl::SetCommPort(std::int16_t port) {
  if (PortOpen()) return Status::Fail("Port already open");
  if (port < 1) return Status::Fail("Invalid port number");
  commPort_ = port;
  return Status::Ok();
}

Status SerialControl::SetSettings(const std::string& settings) {
  const auto line = ParseLineSettings(settings);
  if (!line || Speed(line->baud) == B0) return Status::Fail(kInvalidValue);
  settings_ = settings;
  return PortOpen() ? ApplyLine() : Status::Ok();
}

Status SerialControl::SetDTREnable(bool on) {
  dtr_ = on;
  ApplyModemLines();
  return Status::Ok();
}

Status SerialControl::SetRTSEnable(bool on) {
  rts_ = on;
  ApplyModemLines();
  return Status::Ok();
}

Status SerialControl::SetHandshaking(std::int16_t mode) {
  if (mode < 0 || mode > 3) return Status::Fail(kInvalidValue);
  handshaking_ = mode;
  return PortOpen() ? ApplyLine() : Status::Ok();
}

Status SerialControl::ApplyLine() {
  const LineSettings line = *ParseLineSettings(settings_);
  termios t{};
  if (tcgetattr(fd_, &t) != 0) return Status::Fail(Reason(errno));
  cfmakeraw(&t);
  cfsetispeed(&t, Speed(line.baud));
  cfsetospeed(&t, Speed(line.baud));
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD;
  const tcflag_t sizes[] = {CS5, CS5, CS6, CS7, CS8};  // 4 data bits go out as 5
  t.c_cflag |= sizes[line.dataBits - 4];
  if (line.parity != 'N') t.c_cflag |= PARENB;
  if (line.parity == 'O' || line.parity == 'M') t.c_cflag |= PARODD;
  if (line.parity == 'M' || line.parity == 'S') t.c_cflag |= CMSPAR;
  if (line.stopBitsTimes2 > 2) t.c_cflag |= CSTOPB;
  if (handshaking_ >= 2) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (handshaking_ == 1 || handshaking_ == 3) t.c_iflag |= IXON | IXOFF;
  t.c_cc[VMIN] = 1;  // with O_NONBLOCK: no data is EAGAIN, and 0 means the line hung up
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd_, TCSANOW, &t) != 0) return Status::Fail(Reason(errno));
  ApplyModemLines();
  return Status::Ok();
}

// Pseudo-terminals have no modem lines; their refusal is not a fault of the line.
void SerialControl::ApplyModemLines() {
  if (!PortOpen()) return;
  int bit = TIOCM_DTR;
  static_cast<void>(ioctl(fd_, dtr_ ? TIOCMBIS : TIOCMBIC, &bit));
  if (handshaking_ < 2) {
    bit = TIOCM_RTS;
    static_cast<void>(ioctl(fd_, rts_ ? TIOCMBIS : TIOCMBIC, &bit));
  }
}

Status SerialControl::SetPortOpen(bool open) {
  if (!open) {
    Close();
    return Status::Ok();
  }
  if (PortOpen()) return Status::Fail("Port already open");
  device_ = devicePath_(commPort_);
  const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Status::Fail(Reason(errno));
  if (!isatty(fd)) {
    ::close(fd);
    return Status::Fail(device_ + " is not a serial device.");
  }
  static_cast<void>(ioctl(fd, TIOCEXCL));  // one program reads a scanner
  fd_ = fd;
  if (Status s = ApplyLine(); !s) {
    Close();
    return s;
  }
  tcflush(fd_, TCIOFLUSH);
  lastModem_ = -1;
  return Status::Ok();
}

void SerialControl::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  lost_ = false;
  in_.clear();
  out_.clear();
}

void SerialControl::Raise(std::int16_t event) {
  commEvent_ = event;
  if (onComm_) onComm_();
}

void SerialControl::Lost(const std::string& reason) {
  lost_ = true;
  lostReason_ = reason;
  Raise(kEvDeviceLost);
}

void SerialControl::Readable() {
  if (!PortOpen() || lost_) return;
  std::uint8_t buffer[4096];
  bool got = false;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      in_.insert(in_.end(), buffer, buffer + n);
      got = true;
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
    // End of file or an error: the device went away (a USB adapter pulled, a pty closed). The
    // handler of the bytes before may have closed the port; a closed port hears nothing more.
    const std::string reason = n == 0 ? "The device is not connected." : Reason(errno);
    if (got) Raise(kEvReceive);
    if (PortOpen()) Lost(reason);
    return;
  }
  if (got) Raise(kEvReceive);
}

std::vector<std::uint8_t> SerialControl::Input() {
  std::vector<std::uint8_t> out;
  out.swap(in_);
  return out;
}

Status SerialControl::Output(std::string_view bytes) {
  if (!PortOpen()) return Status::Fail("Operation valid only when the port is open");
  if (out_.size() + bytes.size() > kMaxQueued) return Status::Fail("The output buffer is full");
  if (out_.empty()) outSince_ = std::chrono::steady_clock::now();
  out_.append(bytes);
  Writable();
  return Status::Ok();
}

void SerialControl::Writable() {
  while (PortOpen() && !out_.empty()) {
    const ssize_t n = ::write(fd_, out_.data(), out_.size());
    if (n <= 0) break;  // full, or failing: the bound drops it
    out_.erase(0, static_cast<std::size_t>(n));
    outSince_ = std::chrono::steady_clock::now();
  }
}

void SerialControl::DropWrites(const std::string& reason) {
  out_.clear();
  writeFailedReason_ = reason;
  Raise(kEvWriteFailed);
}

void SerialControl::Tick() {
  if (!PortOpen()) return;
  if (!out_.empty() && std::chrono::steady_clock::now() - outSince_ > kWriteBound) DropWrites("Write timed out");
  int modem = 0;
  if (PortOpen() && ioctl(fd_, TIOCMGET, &modem) == 0) {
    if (lastModem_ >= 0 && ((modem ^ lastModem_) & TIOCM_DSR)) Raise(kEvDSR);
    lastModem_ = modem;
  }
}

std::vector<std::string> ListPorts() {
  std::map<std::string, std::string> stable;  // device -> by-id name
  glob_t ids{};
  if (glob("/dev/serial/by-id/*", 0, nullptr, &ids) == 0) {
    for (std::size_t i = 0; i < ids.gl_pathc; ++i) {
      char target[PATH_MAX];
      if (realpath(ids.gl_pathv[i], target)) stable[target] = ids.gl_pathv[i];
    }
  }
  globfree(&ids);
  std::vector<std::string> ports;
  for (const char* pattern : {"/dev/ttyUSB*", "/dev/ttyACM*", "/dev/ttyS*"}) {
    glob_t g{};
    if (glob(pattern, 0, nullptr, &g) == 0) {
      for (std::size_t i = 0; i < g.gl_pathc; ++i) {
        const std::string device = g.gl_pathv[i];
        // A ttyS without hardware behind it refuses the line settings.
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios t{};
        const bool real = fd >= 0 && tcgetattr(fd, &t) == 0;
        if (fd >= 0) ::close(fd);
        if (!real && device.rfind("/dev/ttyS", 0) == 0) continue;
        const auto it = stable.find(device);
        ports.push_back(it == stable.end() ? device : device + "  " + it->second);
      }
    }
    globfree(&g);
  }
  return ports;
}

}  // namespace tolvane::posix
