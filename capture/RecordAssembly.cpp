#include "capture/RecordAssembly.h"

namespace tolvane {
namespace {

bool IsNumeric(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<std::string> ParseRecordEnd(std::string_view text) {
  std::string bytes;
  bool blankOnly = true;
  for (const char c : text) blankOnly = blankOnly && IsBlank(c);
  if (blankOnly) return bytes;
  std::size_t at = 0;
  for (;;) {
    while (at < text.size() && IsBlank(text[at])) ++at;
    int value = 0, digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
      value = value * 10 + (text[at] - '0');
      if (value > 255) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bytes += static_cast<char>(value);
    if (at == text.size()) return bytes;
    if (text[at++] != ',') return std::nullopt;
  }
}

std::string RecordEndText(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    if (!text.empty()) text += ',';
    text += std::to_string(static_cast<unsigned char>(c));
  }
  return text;
}

RecordAssembly::RecordAssembly(SerialControl& serial, const MainForm& form, const SerialSettings& settings,
                               std::function<void(std::vector<std::string> records)> processRecords)
    : serial_(serial), form_(form), settings_(settings), processRecords_(std::move(processRecords)) {}

void RecordAssembly::Serial_OnComm() {
  switch (serial_.CommEvent()) {
    case SerialControl::kEvReceive:
      while (serial_.InBufferCount() > 0) {
        const auto bytes = serial_.Input();
        if (bytes.empty()) break;  // a count the control cannot deliver must not hang us
        state.ReceiveBuffer.append(bytes.begin(), bytes.end());
      }
      // A record that ends with its own bytes is not kept waiting for the tick.
      if (!settings_.RecordEnd.empty()) Take();
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
    case SerialControl::kEvConnected:
      if (connected) connected();
      break;
    default: break;  // line errors and other notifications are not ours to report
  }
}

void RecordAssembly::TickTimer_Tick() {
  if (!serial_.PortOpen()) return;
  // Typing may let other messages in; the record must not change under it.
  if (processing_) return;

  state.IdleTicks = static_cast<std::int16_t>((state.IdleTicks + 1) % 256);
  Take();
  // Silence is counted from the tick that first saw the bytes, whenever they were taken.
  if (takenSinceTick_) state.IdleTicks = 0;
  takenSinceTick_ = false;
  if (state.RecordPending && state.IdleTicks == state.EndOfRecordTicks) {
    // A record end that never came whole was data after all.
    std::string held;
    held.swap(state.EndHeld);
    for (const char c : held) Add(c);
    if (state.RecordPending) CompleteRecord();
  }
}

// Moves the received bytes into records. The record end is looked for in the bytes as they
// came, before the numeric filter, and is no part of the record.
void RecordAssembly::Take() {
  if (processing_) return;
  const std::string& end = settings_.RecordEnd;
  while (!state.ReceiveBuffer.empty()) {
    // Bytes that arrive while records are typed land behind the ones taken here.
    std::string taken;
    taken.swap(state.ReceiveBuffer);
    takenSinceTick_ = true;
    for (const char c : taken) {
      state.RecordPending = true;
      if (end.empty()) {
        Add(c);
        continue;
      }
      state.EndHeld += c;
      while (!state.EndHeld.empty() && end.compare(0, state.EndHeld.size(), state.EndHeld) != 0) {
        const char first = state.EndHeld.front();
        state.EndHeld.erase(0, 1);
        Add(first);
      }
      if (state.EndHeld == end) {
        state.EndHeld.clear();
        EndRecord();
      }
    }
    Flush();
  }
}

void RecordAssembly::Add(char c) {
  state.RecordPending = true;
  if (!form_.NumFilter.Checked() || IsNumeric(c)) state.CurrentRecord += c;
  if (state.CurrentRecord.size() >= kMaxRecordLength) CompleteRecord();
}

void RecordAssembly::CompleteRecord() {
  EndRecord();
  Flush();
}

void RecordAssembly::EndRecord() {
  ended_.push_back(std::move(state.CurrentRecord));
  state.CurrentRecord.clear();
  state.RecordPending = !state.EndHeld.empty();
}

void RecordAssembly::Flush() {
  if (ended_.empty()) return;
  processing_ = true;
  std::vector<std::string> records;
  records.swap(ended_);
  processRecords_(std::move(records));
  processing_ = false;
}

}  // namespace tolvane
