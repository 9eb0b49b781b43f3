// The line settings of a terminal device as the kernel keeps them (termios2): any rate, not
// only those with a B constant. Kept apart from <termios.h>, whose struct the kernel's clashes
// with; the flag values are the same.
#pragma once

#include <cstdint>

namespace tolvane::posix {

struct KernelLine {
  std::uint32_t iflag = 0, oflag = 0, cflag = 0, lflag = 0;
  std::uint8_t discipline = 0;
  std::uint8_t cc[19] = {};
  std::uint32_t ispeed = 0, ospeed = 0;
};

// Reads and sets a device's line; a test stands in for an adapter that takes less than asked.
class LineIo {
 public:
  virtual ~LineIo() = default;
  // false with errno set.
  virtual bool Get(int fd, KernelLine& line);
  virtual bool Set(int fd, const KernelLine& line);
};

// The rate, both ways, as a number of bauds.
void SetRate(KernelLine& line, std::uint32_t baud);
// The rate the kernel reports for output.
std::uint32_t Rate(const KernelLine& line);

}  // namespace tolvane::posix
