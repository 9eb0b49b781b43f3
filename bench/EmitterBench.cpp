// The typing facility's emitter: a 13-character record through the translation table and
// its postamble, parsed and turned into one batch of key events for a published layout.
#include <benchmark/benchmark.h>

#include "capture/KeyTrans.h"
#include "keysynth/KeystrokeEmitter.h"
#include "tests/support/TableLayout.h"

namespace {

using namespace tolvane;

struct Keys : KeyStates {
  std::int16_t GetKeyState(std::uint8_t vk) const override { return vk == 0x14 ? capsLock : 0; }
  std::int16_t capsLock = 0;
};

void BM_EmitRecord13(benchmark::State& st) {
  const test::TableLayout layout(st.range(0) == 0 ? test::UsLayout() : test::GermanLayout());
  Keys keys;
  KeyTransTable keyTrans;
  InitKeyTrans(keyTrans);
  const std::string record = "A1+B2 $C3(D4)";
  long events = 0;
  for (auto _ : st) {
    KeystrokeEmitter emitter(layout, keys, [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    for (const char c : record) emitter.Add(*ParseSendKeys(keyTrans[static_cast<unsigned char>(c)]));
    emitter.Add(*ParseSendKeys("{ENTER}"));
    const auto batch = emitter.Finish();
    events += static_cast<long>(batch.size());
    benchmark::DoNotOptimize(batch.data());
  }
  st.counters["records/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
  st.counters["events/s"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EmitRecord13)->Arg(0)->Arg(1)->ArgName("german");

}  // namespace
