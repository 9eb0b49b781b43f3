// A uinput keyboard without a kernel: the events the output writes, taken in as the kernel's
// input core takes them (a key event passes only when it changes the device's own key state;
// a packet with nothing in it is not passed) and read through an evdev client's 64-event
// buffer, which drops its queue for a SYN_DROPPED when it overflows; then turned into text as
// an application does, with libxkbcommon and the locale's Compose table.
#pragma once

#include <linux/input.h>
#include <xkbcommon/xkbcommon-compose.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "linux/TypingEngine.h"
#include "linux/Uinput.h"

namespace tolvane::posix::test {

// Time that moves only when the code under test sleeps. Before it moves, onSleep runs, so what
// was written until then is stamped with the time it was written at.
class FakeClock : public TypingClock {
 public:
  std::int64_t Now() override { return now; }
  void SleepUntil(std::int64_t when) override {
    if (onSleep) onSleep();
    if (when > now) now = when;
  }
  std::atomic<std::int64_t> now{1000000};
  std::function<void()> onSleep;
};

// An event as it reached the device, with the time it was written at (microseconds).
struct Stamped {
  std::int64_t time;
  input_event event;
};

// What an evdev reader that reads every `period` microseconds, first at `phase`, reads of the
// events the device passed; a SYN_DROPPED (EV_SYN, SYN_DROPPED) marks each overflow. A read at
// the very time of an event finds it not yet there.
std::vector<input_event> ReadEvery(const std::vector<Stamped>& passed, std::int64_t period, std::int64_t phase);
int Dropped(const std::vector<input_event>& read);

// The kernel's side of one uinput keyboard: one end of a socket pair is the output's file. What
// the output writes is taken in as it comes, stamped with the clock's time, so the output never
// waits on a full socket and no event is lost on the way.
class ModelDevice {
 public:
  explicit ModelDevice(FakeClock& clock);
  ~ModelDevice();
  int TakeOutputEnd();  // the file for the output, which closes it
  // Everything written until now, through the input core's rules.
  void Take();
  // As the console or a compositor setting the keyboard's Caps Lock light.
  void SetCapsLockLight(bool on);

  std::vector<Stamped> written, passed;
  std::set<std::uint16_t> down;  // the device's own key state

 private:
  void TakeLocked();

  FakeClock& clock_;
  int ends_[2];
  std::vector<input_event> packet_;
  std::mutex mutex_;
  std::atomic<bool> stop_{false};
  std::thread drain_;
};

// An application reading a keyboard of one layout: keysyms through the Compose table.
class Screen {
 public:
  explicit Screen(const char* layout, bool capsLock = false);
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  void Key(std::uint32_t evdevCode, bool down);
  void Read(const std::vector<input_event>& events);

  std::string text;  // UTF-8; a key that gives no text as <its keysym's name>

 private:
  xkb_context* context_;
  xkb_keymap* keymap_;
  xkb_state* state_;
  xkb_compose_table* table_;
  xkb_compose_state* compose_;
};

// The whole uinput path: the engine for a layout typing into the output on a model device;
// the user's keys as an X server would say they are held, Caps Lock from the device's light.
class UinputBed : public SystemKeyState {
 public:
  explicit UinputBed(const char* layout);
  ~UinputBed() override;
  // A batch as the core sends it; what was written is taken in as it goes.
  bool Type(const std::string& text);
  // What an application shows that reads every `period` microseconds (the batches so far).
  std::string Shown(std::int64_t period = 16000, std::int64_t phase = 0, bool capsLock = false) const;

  std::int16_t GetKeyState(std::uint8_t key) const override;

  const char* layoutName;
  FakeClock clock;
  ModelDevice device{clock};
  std::vector<std::uint8_t> held;  // the user's keys, held until heldUntil
  std::int64_t heldUntil = 0;

 private:
  xkb_context* context_;
  xkb_keymap* keymap_;
  std::unique_ptr<XkbLayout> layout_;
  std::unique_ptr<UinputOutput> output_;
  std::unique_ptr<TypingEngine> engine_;
};

// A character of the batch notation's text: itself, in braces where the notation gives it a
// meaning of its own; a character above 0x7F in the configuration's code page.
std::string Literal(char16_t c);
// A character as UTF-8.
std::string Utf8(char16_t c);

}  // namespace tolvane::posix::test
