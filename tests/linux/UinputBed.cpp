#include "tests/linux/UinputBed.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tolvane::posix::test {
namespace {

// EVDEV_MIN_BUFFER_SIZE: a keyboard's estimate of 8 events a packet, times 8 packets.
constexpr std::size_t kEvdevBuffer = 64;

input_event Event(std::uint16_t type, std::uint16_t code, std::int32_t value) {
  input_event e{};
  e.type = type;
  e.code = code;
  e.value = value;
  return e;
}

bool IsModifier(xkb_keysym_t sym) {
  return (sym >= XKB_KEY_Shift_L && sym <= XKB_KEY_Hyper_R) ||
         (sym >= XKB_KEY_ISO_Lock && sym <= XKB_KEY_ISO_Level5_Lock) || sym == XKB_KEY_Num_Lock;
}

}  // namespace

// An evdev client's ring: when the newest event meets the oldest unread one, everything unread
// goes, leaving a SYN_DROPPED and that newest event; a reader takes whole packets only.
std::vector<input_event> ReadEvery(const std::vector<Stamped>& passed, std::int64_t period, std::int64_t phase) {
  std::vector<input_event> ring(kEvdevBuffer), read;
  std::size_t head = 0, tail = 0, packetHead = 0;
  const auto take = [&] {
    for (; tail != packetHead; tail = (tail + 1) % kEvdevBuffer) read.push_back(ring[tail]);
  };
  std::int64_t next = phase;
  for (const Stamped& s : passed) {
    for (; next <= s.time; next += period) take();
    ring[head] = s.event;
    head = (head + 1) % kEvdevBuffer;
    if (head == tail) {
      tail = (head + kEvdevBuffer - 2) % kEvdevBuffer;
      ring[tail] = Event(EV_SYN, SYN_DROPPED, 0);
      packetHead = tail;
    }
    if (s.event.type == EV_SYN && s.event.code == SYN_REPORT) packetHead = head;
  }
  take();
  return read;
}

int Dropped(const std::vector<input_event>& read) {
  return static_cast<int>(std::count_if(
      read.begin(), read.end(), [](const input_event& e) { return e.type == EV_SYN && e.code == SYN_DROPPED; }));
}

ModelDevice::ModelDevice(FakeClock& clock) : clock_(clock) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends_) != 0) std::abort();
  drain_ = std::thread([this] {
    for (pollfd p{ends_[0], POLLIN, 0}; !stop_;) {
      if (poll(&p, 1, 5) > 0) Take();
    }
  });
}

ModelDevice::~ModelDevice() {
  stop_ = true;
  drain_.join();
  ::close(ends_[0]);
  if (ends_[1] >= 0) ::close(ends_[1]);
}

int ModelDevice::TakeOutputEnd() {
  const int fd = ends_[1];
  ends_[1] = -1;
  return fd;
}

void ModelDevice::Take() {
  const std::lock_guard<std::mutex> lock(mutex_);
  TakeLocked();
}

void ModelDevice::TakeLocked() {
  input_event e{};
  while (::recv(ends_[0], &e, sizeof e, MSG_DONTWAIT | MSG_WAITALL) == static_cast<ssize_t>(sizeof e)) {
    written.push_back({clock_.now, e});
    if (e.type == EV_KEY) {
      // Keys the device declares (1 to 255); a press of a key down or a release of a key up
      // changes nothing and goes no further.
      const bool isDown = e.value != 0;
      if (e.code < 1 || e.code > 255 || (down.count(e.code) != 0) == isDown) continue;
      if (isDown)
        down.insert(e.code);
      else
        down.erase(e.code);
      packet_.push_back(e);
    } else if (e.type == EV_SYN && e.code == SYN_REPORT) {
      if (packet_.empty()) continue;
      for (const input_event& p : packet_) passed.push_back({clock_.now, p});
      passed.push_back({clock_.now, e});
      packet_.clear();
    }
  }
}

void ModelDevice::SetCapsLockLight(bool on) {
  const input_event e = Event(EV_LED, LED_CAPSL, on ? 1 : 0);
  if (::write(ends_[0], &e, sizeof e) != static_cast<ssize_t>(sizeof e)) std::abort();
}

Screen::Screen(const char* layout, bool capsLock) {
  context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  keymap_ = KeymapFromNames(context_, layout, "");
  state_ = xkb_state_new(keymap_);
  if (capsLock)
    xkb_state_update_mask(state_, 0, 0, 1u << xkb_keymap_mod_get_index(keymap_, XKB_MOD_NAME_CAPS), 0, 0, 0);
  table_ = xkb_compose_table_new_from_locale(context_, "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS);
  if (!table_) std::abort();  // libx11-data holds the tables
  compose_ = xkb_compose_state_new(table_, XKB_COMPOSE_STATE_NO_FLAGS);
}

Screen::~Screen() {
  xkb_compose_state_unref(compose_);
  xkb_compose_table_unref(table_);
  xkb_state_unref(state_);
  xkb_keymap_unref(keymap_);
  xkb_context_unref(context_);
}

void Screen::Key(std::uint32_t evdevCode, bool down) {
  const xkb_keycode_t kc = evdevCode + 8;
  if (down) {
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(state_, kc);
    xkb_compose_state_feed(compose_, sym);
    char utf8[64] = "";
    switch (xkb_compose_state_get_status(compose_)) {
      case XKB_COMPOSE_COMPOSING: break;
      case XKB_COMPOSE_COMPOSED:
        xkb_compose_state_get_utf8(compose_, utf8, sizeof utf8);
        text += utf8;
        xkb_compose_state_reset(compose_);
        break;
      case XKB_COMPOSE_CANCELLED: xkb_compose_state_reset(compose_); break;
      case XKB_COMPOSE_NOTHING:
        xkb_state_key_get_utf8(state_, kc, utf8, sizeof utf8);
        if (*utf8) {
          text += utf8;
        } else if (!IsModifier(sym)) {
          xkb_keysym_get_name(sym, utf8, sizeof utf8);
          text += std::string("<") + utf8 + ">";
        }
        break;
    }
  }
  xkb_state_update_key(state_, kc, down ? XKB_KEY_DOWN : XKB_KEY_UP);
}

void Screen::Read(const std::vector<input_event>& events) {
  for (const input_event& e : events)
    if (e.type == EV_KEY && e.value != 2) Key(e.code, e.value != 0);
}

UinputBed::UinputBed(const char* layout) : layoutName(layout) {
  setenv("LC_ALL", "en_US.UTF-8", 1);  // the locale whose Compose table the screen uses
  context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  keymap_ = KeymapFromNames(context_, layout, "");
  layout_ = std::make_unique<XkbLayout>(keymap_);
  output_ = std::make_unique<UinputOutput>(device.TakeOutputEnd(), clock);
  engine_ = std::make_unique<TypingEngine>("uinput", *layout_, *this, *output_, clock);
  clock.onSleep = [this] { device.Take(); };
}

UinputBed::~UinputBed() {
  engine_.reset();
  output_.reset();
  layout_.reset();
  xkb_keymap_unref(keymap_);
  xkb_context_unref(context_);
}

bool UinputBed::Type(const std::string& text) {
  const bool delivered = engine_->sendKeys().SendBatch({text}, true).delivered;
  device.Take();
  return delivered;
}

std::string UinputBed::Shown(std::int64_t period, std::int64_t phase, bool capsLock) const {
  Screen screen(layoutName, capsLock);
  screen.Read(ReadEvery(device.passed, period, phase));
  return screen.text;
}

std::int16_t UinputBed::GetKeyState(std::uint8_t key) const {
  if (key == vk::Capital) return output_->GetKeyState(key);
  const bool isHeld = std::find(held.begin(), held.end(), key) != held.end() && clock.now < heldUntil;
  return isHeld ? static_cast<std::int16_t>(0x8000) : 0;
}

std::string Literal(char16_t c) {
  if (std::strchr("+^%~(){}[]", static_cast<char>(c)) && c < 0x80) return std::string("{") + static_cast<char>(c) + "}";
  return std::string(1, static_cast<char>(c));
}

std::string Utf8(char16_t c) {
  char text[8] = "";
  xkb_keysym_to_utf8(xkb_utf32_to_keysym(c), text, sizeof text);
  return text;
}

}  // namespace tolvane::posix::test
