// Serial receive and record framing: the 50 ms tick moves received bytes into the record and
// completes it after three silent ticks. With a record end (RecordEnd) the bytes are taken as
// they arrive, and the end's sequence completes the record at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SerialControl.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

struct ReceiveState {
  std::string ReceiveBuffer;  // one character per received byte, oldest first
  std::string CurrentRecord;
  std::string EndHeld;         // the start of the record end, held until it is whole or proves not to be
  std::int16_t IdleTicks = 0;  // kept in 0..255
  bool RecordPending = false;
  std::int16_t EndOfRecordTicks = 3;
  bool OptoDsrToggle = false;
};

// A device that never falls silent must still get its data typed: a record this long is
// completed as if the line had gone quiet.
constexpr std::size_t kMaxRecordLength = 65536;

// RecordEnd as the file writes it ("13,10"): decimal byte values separated by commas, blanks
// around each allowed. Empty text is no record end; nullopt for anything else that is not such
// a list.
std::optional<std::string> ParseRecordEnd(std::string_view text);
std::string RecordEndText(std::string_view bytes);

class RecordAssembly {
 public:
  // Completed records go to processRecords in order; those of one read together.
  RecordAssembly(SerialControl& serial, const MainForm& form, const SerialSettings& settings,
                 std::function<void(std::vector<std::string> records)> processRecords);

  // Told when the device of the open port has gone away.
  std::function<void()> deviceLost;
  // Told when bytes written to the device were dropped.
  std::function<void()> writeFailed;
  // Told when an open left under way has ended, well or not.
  std::function<void()> openEnded;
  // Told when the connection an open started is made.
  std::function<void()> connected;

  void Serial_OnComm();
  void TickTimer_Tick();
  // A port (re)opened: the silence before the next record is counted from now.
  void PortOpened() { state.IdleTicks = 0; }

  ReceiveState state;

 private:
  void Take();
  void Add(char c);
  // The record so far is one of those ended, passed on now (CompleteRecord) or with the rest of the read (EndRecord).
  void CompleteRecord();
  void EndRecord();
  void Flush();

  SerialControl& serial_;
  const MainForm& form_;
  const SerialSettings& settings_;
  std::function<void(std::vector<std::string> records)> processRecords_;
  std::vector<std::string> ended_;  // records ended in this read, not yet processed
  bool processing_ = false;
  bool takenSinceTick_ = false;
};

}  // namespace tolvane
