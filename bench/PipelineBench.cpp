// Characters per second from the receive handler through framing and record processing
// to a send-keys sink that discards.
#include <benchmark/benchmark.h>

#include "app/Tolvane.h"
#include "platform/fake/FakePlatform.h"

namespace {

using namespace tolvane;

struct DiscardingSendKeys : SendKeys {
  Delivery SendBatch(const std::vector<std::string>& texts, bool) override {
    benchmark::DoNotOptimize(texts.data());
    return {};
  }
};

void BM_ScanToKeys(benchmark::State& st) {
  fake::FakePlatform fp;
  DiscardingSendKeys sink;
  Platform platform{fp.serial, sink, fp.sound, fp.activeWindow, fp.clock, fp.keyboard, fp.profileStore, fp.startupEntries, fp.toolkit, fp.messageBox, fp.notifyIcon, fp.shell, fp.singleInstance};
  Tolvane app(platform);
  app.mainForm().hWnd = 1;
  app.mainForm().TermKeyCombo.text = "{ENTER}";
  app.mainForm().RemoveCRs.SetValue(1);
  app.PortList_Click(1);

  std::string record;
  // A scanner's read: digits ending in CR LF, range(0) bytes in all.
  for (long i = 0; i + 2 < st.range(0); ++i) record += static_cast<char>('0' + i % 10);
  record += "\r\n";
  for (auto _ : st) {
    fp.serial.Arrive(record);
    for (int t = 0; t < 4; ++t) app.TickTimer_Tick();
  }
  st.counters["chars/s"] = benchmark::Counter(static_cast<double>(st.iterations() * static_cast<long>(record.size())),
                                              benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ScanToKeys)->Arg(13)->Arg(2000);

}  // namespace
