// uinput typing: a virtual keyboard of the kernel, seen by X11, Wayland and the console alike.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "linux/TypingEngine.h"

namespace tolvane::posix {

// The virtual keyboard on a uinput file, or anything that takes and gives input_events as one.
// Its keys are its own: the kernel passes a key event on only when it changes this device's
// key state. Key events go out at a pace an evdev reader keeps up with; the state it answers is
// Caps Lock as the system last set the device's LED (the console and the compositors set the
// LEDs of every keyboard), no key held (the user's keys cannot be read through it).
class UinputOutput : public KeyOutput, public SystemKeyState {
 public:
  // At most one key event (with its SYN_REPORT) per this many microseconds. A reader's evdev
  // buffer holds 64 events and drops them all when a 64th comes in: one that reads once per
  // 16 ms frame finds at most 34 waiting, one that is 14 ms late no more than 62.
  static constexpr std::int64_t kEventInterval = 1000;

  // Takes the file.
  UinputOutput(int fd, TypingClock& clock);
  ~UinputOutput() override;
  UinputOutput(const UinputOutput&) = delete;
  UinputOutput& operator=(const UinputOutput&) = delete;

  bool SeparateKeys() const override { return true; }
  void Key(xkb_keycode_t code, bool down) override;
  void Flush() override {}
  std::int16_t GetKeyState(std::uint8_t key) const override;

 private:
  int fd_;
  TypingClock& clock_;
  std::int64_t next_ = 0;  // the earliest time of the next key event
  mutable bool capsLock_ = false;
};

// The virtual keyboard, made; null with the reason when it cannot be.
std::unique_ptr<UinputOutput> MakeUinputOutput(std::string& error);

}  // namespace tolvane::posix
