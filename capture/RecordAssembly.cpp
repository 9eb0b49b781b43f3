#include "capture/RecordAssembly.h"

namespace tolvane {
namespace {

bool IsNumeric(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }

}  // namespace

RecordAssembly::RecordAssembly(SerialControl& serial, const MainForm& form, const SerialSettings& settings,
                               std::function<void(std::string record)> processRecord)
    : serial_(serial), form_(form), settings_(settings), processRecord_(std::move(processRecord)) {}

void RecordAssembly::Serial_OnComm() {
  switch (serial_.CommEvent()) {
    case SerialControl::kEvReceive:
      while (serial_.InBufferCount() > 0) {
        const auto bytes = serial_.Input();
        if (bytes.empty()) break;  // a count the control cannot deliver must not hang us
        state.ReceiveBuffer.append(bytes.begin(), bytes.end());
      }
      break;
    case SerialControl::kEvDSR:
      if (settings_.FlowCtrlIndex == kFlowOptoRS) {
        state.OptoDsrToggle = !state.OptoDsrToggle;
        // A query the scanner does not take is not ours to report; the next DSR change asks again.
        if (state.OptoDsrToggle) static_cast<void>(serial_.Output("?\r"));
      }
      break;
    case SerialControl::kEvDeviceLost:
      if (deviceLost) deviceLost();
      break;
    case SerialControl::kEvWriteFailed:
      if (writeFailed) writeFailed();
      break;
    case SerialControl::kEvOpened:
    case SerialControl::kEvOpenFailed:
      if (openEnded) openEnded();
      break;
    default: break;  // line errors and other notifications are not ours to report
  }
}

void RecordAssembly::TickTimer_Tick() {
  if (!serial_.PortOpen()) return;
  // Typing may let other messages in; the record must not change under it.
  if (processing_) return;

  state.IdleTicks = static_cast<std::int16_t>((state.IdleTicks + 1) % 256);
  while (!state.ReceiveBuffer.empty()) {
    // Bytes that arrive while a long record is typed land behind the ones taken here.
    std::string taken;
    taken.swap(state.ReceiveBuffer);
    for (const char c : taken) {
      state.RecordPending = true;
      if (!form_.NumFilter.Checked() || IsNumeric(c)) state.CurrentRecord += c;
      state.IdleTicks = 0;
      if (state.CurrentRecord.size() >= kMaxRecordLength) CompleteRecord();
    }
  }
  if (state.RecordPending && state.IdleTicks == state.EndOfRecordTicks) CompleteRecord();
}

void RecordAssembly::CompleteRecord() {
  processing_ = true;
  std::string record;
  record.swap(state.CurrentRecord);
  processRecord_(std::move(record));
  processing_ = false;
  state.CurrentRecord.clear();  // processing leaves it empty; make sure of it
  state.RecordPending = false;
}

}  // namespace tolvane
