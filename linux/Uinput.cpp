#include "linux/Uinput.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "linux/Typing.h"

namespace tolvane::posix {

UinputOutput::UinputOutput(int fd, TypingClock& clock) : fd_(fd), clock_(clock) {}

UinputOutput::~UinputOutput() {
  ioctl(fd_, UI_DEV_DESTROY);
  ::close(fd_);
}

// The keymap was compiled with the kernel's keycodes: evdev code plus 8.
void UinputOutput::Key(xkb_keycode_t code, bool down) {
  if (clock_.Now() < next_) clock_.SleepUntil(next_);
  input_event e[2]{};
  e[0].type = EV_KEY;
  e[0].code = static_cast<std::uint16_t>(code - 8);
  e[0].value = down ? 1 : 0;
  e[1].type = EV_SYN;
  e[1].code = SYN_REPORT;
  static_cast<void>(::write(fd_, e, sizeof e));
  // From the write as it happened: a late one is not made up for by a faster next one.
  next_ = clock_.Now() + kEventInterval;
}

std::int16_t UinputOutput::GetKeyState(std::uint8_t key) const {
  if (key != vk::Capital) return 0;
  // The LED changes the system made since last asked; the last one says.
  input_event e{};
  for (pollfd p{fd_, POLLIN, 0}; poll(&p, 1, 0) > 0 && ::read(fd_, &e, sizeof e) == static_cast<ssize_t>(sizeof e);)
    if (e.type == EV_LED && e.code == LED_CAPSL) capsLock_ = e.value != 0;
  return capsLock_ ? 1 : 0;
}

namespace {

int CreateUinputDevice(std::string& error) {
  const int fd = ::open("/dev/uinput", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int why = errno;
    error = std::string("cannot open /dev/uinput: ") + std::strerror(why);
    if (why == ENOENT || why == EACCES || why == EPERM) error = UinputUnavailable();
    return -1;
  }
  ioctl(fd, UI_SET_EVBIT, EV_KEY);
  ioctl(fd, UI_SET_EVBIT, EV_SYN);
  for (int key = 1; key < 256; ++key) ioctl(fd, UI_SET_KEYBIT, key);
  // A keyboard with a Caps Lock light is told the lock's state, which is read from it.
  ioctl(fd, UI_SET_EVBIT, EV_LED);
  ioctl(fd, UI_SET_LEDBIT, LED_CAPSL);
  uinput_setup setup{};
  setup.id.bustype = BUS_VIRTUAL;
  setup.id.vendor = 0x1209;
  setup.id.product = 0x7a1e;
  std::snprintf(setup.name, sizeof setup.name, "Tolvane virtual keyboard");
  if (ioctl(fd, UI_DEV_SETUP, &setup) != 0 || ioctl(fd, UI_DEV_CREATE) != 0) {
    error = std::string("cannot create the virtual keyboard: ") + std::strerror(errno);
    ::close(fd);
    return -1;
  }
  usleep(200000);  // the desktop takes the new keyboard in, and sets its lights, before it is typed on
  return fd;
}

}  // namespace

std::unique_ptr<UinputOutput> MakeUinputOutput(std::string& error) {
  const int fd = CreateUinputDevice(error);
  return fd < 0 ? nullptr : std::make_unique<UinputOutput>(fd, SystemClock());
}

}  // namespace tolvane::posix
