#include "linux/SerialControl.h"

#include <fcntl.h>
#include <glob.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "serialsettings/LineSettings.h"

namespace tolvane::posix {
namespace {

const char* const kInvalidValue = "Invalid property value";

std::string Reason(int error) {
  std::string s = std::strerror(error);
  return s + ".";
}

// The group that gives read and write access to the device, when one does; empty otherwise.
std::string AccessGroup(const struct stat& st) {
  if (st.st_gid == 0 || (st.st_mode & 060) != 060) return "";
  const group* g = getgrgid(st.st_gid);
  return g ? g->gr_name : std::to_string(st.st_gid);
}

// Why this user cannot open the device, and what would let it.
std::string AccessFix(const std::string& device) {
  struct stat st {};
  if (stat(device.c_str(), &st) != 0) return "";
  const std::string group = AccessGroup(st);
  if (group.empty()) return " (no group may open it; ask the administrator)";
  return " (add yourself to the " + group + " group: sudo usermod -aG " + group + " $USER, then log in again)";
}

// A rate within 2% of the one asked: what UARTs tolerate, and what adapters round to.
bool CloseRate(std::uint32_t got, std::uint32_t asked) {
  const std::uint64_t diff = got > asked ? got - asked : asked - got;
  return diff * 50 <= asked;
}

const char* ParityName(char parity) {
  switch (parity) {
    case 'O': return "odd parity";
    case 'E': return "even parity";
    case 'M': return "mark parity";
    case 'S': return "space parity";
    default: return "no parity";
  }
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
  if (!line) return Status::Fail(kInvalidValue);
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

// A byte with a parity or framing error is data as it came, as the Windows program's DCB has it
// (no error character, no abort on error): no parity check, no marking, nothing ignored.
Status SerialControl::ApplyLine() {
  const LineSettings line = *ParseLineSettings(settings_);
  KernelLine t;
  if (!io_->Get(fd_, t)) return Status::Fail(Reason(errno));
  t.iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK | IGNPAR);
  t.oflag &= ~OPOST;
  t.lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.cflag |= CLOCAL | CREAD;
  SetRate(t, line.baud);
  const tcflag_t sizes[] = {CS5, CS5, CS6, CS7, CS8};  // 4 data bits go out as 5
  t.cflag |= sizes[line.dataBits - 4];
  if (line.parity != 'N') t.cflag |= PARENB;
  if (line.parity == 'O' || line.parity == 'M') t.cflag |= PARODD;
  if (line.parity == 'M' || line.parity == 'S') t.cflag |= CMSPAR;
  if (line.stopBitsTimes2 > 2) t.cflag |= CSTOPB;
  if (handshaking_ >= 2) t.cflag |= CRTSCTS;
  if (handshaking_ == 1 || handshaking_ == 3) t.iflag |= IXON | IXOFF;
  t.cc[VMIN] = 1;  // with O_NONBLOCK: no data is EAGAIN, and 0 means the line hung up
  t.cc[VTIME] = 0;
  if (!io_->Set(fd_, t)) return Status::Fail(Reason(errno));
  // The kernel takes a change when any part of it applies: what the device kept is read back.
  KernelLine got;
  if (!io_->Get(fd_, got)) return Status::Fail(Reason(errno));
  std::string refused;
  const auto refuse = [&refused](const std::string& what) { refused += (refused.empty() ? "" : ", ") + what; };
  if (!CloseRate(Rate(got), line.baud)) refuse(std::to_string(line.baud) + " baud");
  if ((got.cflag & CSIZE) != (t.cflag & CSIZE)) refuse(std::to_string(line.dataBits) + " data bits");
  if ((got.cflag & (PARENB | PARODD | CMSPAR)) != (t.cflag & (PARENB | PARODD | CMSPAR)))
    refuse(ParityName(line.parity));
  if ((got.cflag & CSTOPB) != (t.cflag & CSTOPB))
    refuse(line.stopBitsTimes2 == 3 ? "1.5 stop bits" : line.stopBitsTimes2 == 4 ? "2 stop bits" : "1 stop bit");
  if ((got.cflag & CRTSCTS) != (t.cflag & CRTSCTS)) refuse("RTS/CTS flow control");
  if ((got.iflag & (IXON | IXOFF)) != (t.iflag & (IXON | IXOFF))) refuse("XON/XOFF flow control");
  if ((got.iflag & (INPCK | IGNPAR | PARMRK | ISTRIP)) != 0) refuse("parity errors passed as data");
  if (!refused.empty()) return Status::Fail(device_ + " does not take " + refused + " (Settings=" + settings_ + ")");
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
  if (fd < 0) {
    const int error = errno;
    const std::string fix = error == EACCES || error == EPERM ? AccessFix(device_) : "";
    return Status::Fail("cannot open " + device_ + ": " + std::strerror(error) + fix);
  }
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

std::vector<std::string> ListPorts(const std::string& devRoot, const std::string& sysRoot) {
  std::map<std::string, std::string> stable;  // device -> by-id name
  glob_t ids{};
  if (glob((devRoot + "/serial/by-id/*").c_str(), 0, nullptr, &ids) == 0) {
    for (std::size_t i = 0; i < ids.gl_pathc; ++i) {
      char target[PATH_MAX];
      if (realpath(ids.gl_pathv[i], target)) stable[target] = ids.gl_pathv[i];
    }
  }
  globfree(&ids);
  std::vector<std::string> ports;
  for (const char* pattern : {"ttyUSB*", "ttyACM*", "ttyAMA*", "ttyS*"}) {
    glob_t g{};
    if (glob((devRoot + "/" + pattern).c_str(), 0, nullptr, &g) == 0) {
      for (std::size_t i = 0; i < g.gl_pathc; ++i) {
        const std::string device = g.gl_pathv[i];
        const std::string name = device.substr(device.rfind('/') + 1);
        // A ttyS the kernel found no UART for says so in sysfs: type 0. Nothing is opened to ask.
        if (name.rfind("ttyS", 0) == 0) {
          std::ifstream type(sysRoot + "/class/tty/" + name + "/type");
          int uart = 0;
          if (!(type >> uart) || uart == 0) continue;
        }
        char real[PATH_MAX];
        const auto it = stable.find(realpath(device.c_str(), real) ? real : device);
        std::string line = device;
        if (it != stable.end()) line += "  " + it->second;
        if (faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) == 0) {
          line += "  (can be opened)";
        } else {
          struct stat st {};
          const std::string group = stat(device.c_str(), &st) == 0 ? AccessGroup(st) : "";
          line += group.empty() ? "  (no access)" : "  (no access: join the " + group + " group)";
        }
        ports.push_back(line);
      }
    }
    globfree(&g);
  }
  return ports;
}

}  // namespace tolvane::posix
