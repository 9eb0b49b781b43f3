// Key strings parsed and emitted per second on the console path, for a 13-character record
// typed character by character through the translation table, then its postamble.
#include <benchmark/benchmark.h>

#include "capture/KeyTrans.h"
#include "keysynth/KeyEmitter.h"
#include "tests/support/TableLayout.h"

namespace {

using namespace tolvane;

struct CountingKeyboard : Keyboard {
  std::int16_t VkKeyScan(std::uint8_t c) override { return us.VkKeyScanEx(c); }
  std::uint8_t MapVirtualKey(std::uint8_t vk) override { return static_cast<std::uint8_t>(us.ScanCode(vk)); }
  KeyState GetKeyboardState() override { return state; }
  void SetKeyboardState(const KeyState& s) override { state = s; }
  void KeybdEvent(std::uint8_t, std::uint8_t, std::uint32_t) override { ++events; }
  KeyState state{};
  long events = 0;
  test::TableLayout us{test::UsLayout()};
};

void BM_ConsoleRecord13(benchmark::State& st) {
  CountingKeyboard keyboard;
  keyboard.state[20] = static_cast<std::uint8_t>(st.range(0));  // Caps Lock on or off
  KeyEmitter emitter(keyboard);
  KeyTransTable keyTrans;
  InitKeyTrans(keyTrans);
  const std::string record = "A1+B2 $C3(D4)";
  long strings = 0;
  for (auto _ : st) {
    for (const char c : record) emitter.SimSendKeys(keyTrans[static_cast<unsigned char>(c)]);
    emitter.SimSendKeys("{ENTER}");
    strings += static_cast<long>(record.size()) + 1;
  }
  st.counters["strings/s"] = benchmark::Counter(static_cast<double>(strings), benchmark::Counter::kIsRate);
  st.counters["events/s"] = benchmark::Counter(static_cast<double>(keyboard.events), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConsoleRecord13)->Arg(0)->Arg(1);

}  // namespace
