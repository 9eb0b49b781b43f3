// Fuzzes the key-sequence parser with the emitter: whatever the string, nothing crashes,
// a failed parse types nothing, modifiers come in pairs and every key that goes down comes
// up again before the next one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "keysynth/KeyEmitter.h"
#include "platform/fake/Keyboard.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  tolvane::fake::Keyboard keyboard;
  keyboard.SetCapsLock(data[0] & 1);
  tolvane::KeyEmitter emitter(keyboard);
  const std::string keys(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::int16_t result = emitter.SimSendKeys(keys);
  Check(result >= 0 && result <= 5);
  if (result != 0) {
    Check(keyboard.events.empty());
    Check(keyboard.stateWrites == 0);
    return 0;
  }

  int modifierDown[3] = {0, 0, 0};
  int pendingKey = -1;  // a key pressed and not yet released
  for (const auto& e : keyboard.events) {
    const bool up = (e.flags & tolvane::Keyboard::kKeyUp) != 0;
    if (e.flags & tolvane::Keyboard::kExtendedKey) {  // the Caps Lock switch
      Check(e.vk == 20 && e.scan == 69);
      continue;
    }
    if (e.vk >= 16 && e.vk <= 18) {
      Check(pendingKey < 0);
      int& down = modifierDown[e.vk - 16];
      Check(up ? down == 1 : down == 0);
      down = up ? 0 : 1;
    } else if (!up) {
      Check(pendingKey < 0);
      pendingKey = e.vk;
    } else {
      Check(pendingKey == e.vk);
      pendingKey = -1;
    }
  }
  Check(pendingKey < 0);
  Check(modifierDown[0] == 0 && modifierDown[1] == 0 && modifierDown[2] == 0);
  Check(keyboard.stateWrites == 2);
  Check(keyboard.capsLockOn == ((data[0] & 1) != 0) || keys.find_first_of("{") != std::string::npos);
  return 0;
}
