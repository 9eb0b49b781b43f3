#include "linux/KernelLine.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstring>
#include <utility>

namespace tolvane::posix {

static_assert(sizeof(KernelLine::cc) == NCCS, "the kernel's control characters");

bool LineIo::Get(int fd, KernelLine& line) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  line.iflag = t.c_iflag;
  line.oflag = t.c_oflag;
  line.cflag = t.c_cflag;
  line.lflag = t.c_lflag;
  line.discipline = t.c_line;
  std::memcpy(line.cc, t.c_cc, sizeof line.cc);
  line.ispeed = t.c_ispeed;
  line.ospeed = t.c_ospeed;
  return true;
}

bool LineIo::Set(int fd, const KernelLine& line) {
  termios2 t{};
  t.c_iflag = line.iflag;
  t.c_oflag = line.oflag;
  t.c_cflag = line.cflag;
  t.c_lflag = line.lflag;
  t.c_line = line.discipline;
  std::memcpy(t.c_cc, line.cc, sizeof line.cc);
  t.c_ispeed = line.ispeed;
  t.c_ospeed = line.ospeed;
  return ioctl(fd, TCSETS2, &t) == 0;
}

namespace {

// The rates with a B constant, which programs that read the line with tcgetattr understand.
constexpr std::pair<std::uint32_t, unsigned> kConstants[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000}};

}  // namespace

// A rate with a B constant takes it; any other, BOTHER and the number. The input rate follows
// the output one.
void SetRate(KernelLine& line, std::uint32_t baud) {
  unsigned code = BOTHER;
  for (const auto& [rate, constant] : kConstants)
    if (rate == baud) code = constant;
  line.cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  line.cflag |= code;
  line.ispeed = line.ospeed = baud;
}

std::uint32_t Rate(const KernelLine& line) {
  const unsigned code = line.cflag & CBAUD;
  if (code == BOTHER) return line.ospeed;
  for (const auto& [rate, constant] : kConstants)
    if (constant == code) return rate;
  return 0;
}

}  // namespace tolvane::posix
