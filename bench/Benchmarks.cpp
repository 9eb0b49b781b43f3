// Figures (read, never asserted): characters per second from the receive handler to a
// discarding send-keys sink; the console path and the typing facility's emitter for a
// 13-character record typed through the translation table, then its postamble.
#include <benchmark/benchmark.h>

#include "app/Tolvane.h"
#include "keysynth/SendKeysEmitter.h"
#include "tests/fakes/FakePlatform.h"
#include "tests/support/TypingSimulator.h"

namespace {

using namespace tolvane;

const std::string kRecord = "A1+B2 $C3(D4)";

benchmark::Counter Rate(std::int64_t count) {
  return benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsRate);
}

struct DiscardingSendKeys : SendKeys {
  Delivery SendBatch(const std::vector<std::string>& texts, bool) override {
    benchmark::DoNotOptimize(texts.data());
    return {};
  }
};

void BM_ScanToKeys(benchmark::State& st) {
  fake::FakePlatform fp;
  DiscardingSendKeys sink;
  Platform platform = fp.platform();
  Platform discarding{platform.serial,        sink,
                      platform.sound,         platform.activeWindow,
                      platform.clock,         platform.keyboard,
                      platform.profileStore,  platform.startupEntries,
                      platform.toolkit,       platform.messageBox,
                      platform.notifyIcon,    platform.shell,
                      platform.singleInstance};
  Tolvane app(discarding);
  app.mainForm().TermKeyCombo.text = "{ENTER}";
  app.mainForm().RemoveCRs.SetValue(1);
  app.PortList_Click(1);
  std::string read;  // a scanner's read: digits ending in CR LF, range(0) bytes in all
  for (long i = 0; i + 2 < st.range(0); ++i) read += static_cast<char>('0' + i % 10);
  read += "\r\n";
  for (auto _ : st) {
    fp.serial.Arrive(read);
    for (int t = 0; t < 4; ++t) app.TickTimer_Tick();
  }
  st.counters["chars/s"] = Rate(st.iterations() * st.range(0));
}
BENCHMARK(BM_ScanToKeys)->Arg(13)->Arg(2000);

void BM_ConsoleRecord13(benchmark::State& st) {
  fake::Keyboard keyboard;
  keyboard.SetCapsLock(st.range(0) != 0);
  ConsoleKeyEmitter emitter(keyboard);
  KeyTransTable keyTrans;
  InitKeyTrans(keyTrans);
  long events = 0;
  for (auto _ : st) {
    keyboard.events.clear();
    for (const char c : kRecord) emitter.SimSendKeys(keyTrans[static_cast<unsigned char>(c)]);
    emitter.SimSendKeys("{ENTER}");
    events += static_cast<long>(keyboard.events.size());
  }
  st.counters["strings/s"] = Rate(st.iterations() * 14);
  st.counters["events/s"] = Rate(events);
}
BENCHMARK(BM_ConsoleRecord13)->Arg(0)->Arg(1)->ArgName("capslock");

void BM_EmitRecord13(benchmark::State& st) {
  const test::TableLayout layout(st.range(0) == 0 ? test::UsLayout() : test::GermanLayout());
  const test::TypingSimulator keys(layout, false);
  KeyTransTable keyTrans;
  InitKeyTrans(keyTrans);
  long events = 0;
  for (auto _ : st) {
    SendKeysEmitter emitter(layout, keys, [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    for (const char c : kRecord) emitter.Add(*ParseSendKeys(keyTrans[static_cast<unsigned char>(c)]));
    emitter.Add(*ParseSendKeys("{ENTER}"));
    events += static_cast<long>(emitter.Finish().size());
  }
  st.counters["records/s"] = Rate(st.iterations());
  st.counters["events/s"] = Rate(events);
}
BENCHMARK(BM_EmitRecord13)->Arg(0)->Arg(1)->ArgName("german");

}  // namespace
