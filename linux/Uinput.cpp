#include "linux/Uinput.h"

#include <fcntl.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tolvane::posix {
namespace {

// uinput: a virtual keyboard of the kernel, seen by X11, Wayland and the console alike.
class UinputOutput : public KeyOutput {
 public:
  explicit UinputOutput(int fd) : fd_(fd) {}
  ~UinputOutput() override {
    ioctl(fd_, UI_DEV_DESTROY);
    ::close(fd_);
  }
  // The keymap was compiled with the kernel's keycodes: evdev code plus 8.
  void Key(xkb_keycode_t code, bool down) override {
    Emit(EV_KEY, static_cast<std::uint16_t>(code - 8), down ? 1 : 0);
    Emit(EV_SYN, SYN_REPORT, 0);
  }
  void Flush() override {}

 private:
  void Emit(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event e{};
    e.type = type;
    e.code = code;
    e.value = value;
    static_cast<void>(::write(fd_, &e, sizeof e));
  }
  int fd_;
};

int CreateUinputDevice(std::string& error) {
  const int fd = ::open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("cannot open /dev/uinput: ") + std::strerror(errno);
    return -1;
  }
  ioctl(fd, UI_SET_EVBIT, EV_KEY);
  ioctl(fd, UI_SET_EVBIT, EV_SYN);
  for (int key = 1; key < 256; ++key) ioctl(fd, UI_SET_KEYBIT, key);
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
  usleep(200000);  // the desktop takes the new keyboard in before it is typed on
  return fd;
}

}  // namespace

std::unique_ptr<KeyOutput> MakeUinputOutput(std::string& error) {
  const int fd = CreateUinputDevice(error);
  return fd < 0 ? nullptr : std::make_unique<UinputOutput>(fd);
}

}  // namespace tolvane::posix
