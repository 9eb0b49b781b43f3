#include "linux/KernelLine.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstring>

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

// BOTHER takes the number itself; the input rate follows the output one.
void SetRate(KernelLine& line, std::uint32_t baud) {
  line.cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  line.cflag |= BOTHER;
  line.ispeed = line.ospeed = baud;
}

std::uint32_t Rate(const KernelLine& line) { return line.ospeed; }

}  // namespace tolvane::posix
