// Serial receive and record framing: the receive handler only buffers bytes; the 50 ms tick
// moves them into the record and completes it after three silent ticks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/SerialControl.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

struct ReceiveState {
  std::string ReceiveBuffer;  // one character per received byte, oldest first
  std::string CurrentRecord;
  std::int16_t IdleTicks = 0;  // kept in 0..255
  bool RecordPending = false;
  std::int16_t EndOfRecordTicks = 3;
  bool OptoDsrToggle = false;
};

// A device that never falls silent must still get its data typed: a record this long is
// completed as if the line had gone quiet.
constexpr std::size_t kMaxRecordLength = 65536;

class RecordAssembly {
 public:
  RecordAssembly(SerialControl& serial, const MainForm& form, const SerialSettings& settings,
                 std::function<void(std::string record)> processRecord);

  // Told when the device of the open port has gone away.
  std::function<void()> deviceLost;
  // Told when bytes written to the device were dropped.
  std::function<void()> writeFailed;
  // Told when an open left under way has ended, well or not.
  std::function<void()> openEnded;

  void Serial_OnComm();
  void TickTimer_Tick();
  // A port (re)opened: the silence before the next record is counted from now.
  void PortOpened() { state.IdleTicks = 0; }

  ReceiveState state;

 private:
  void CompleteRecord();

  SerialControl& serial_;
  const MainForm& form_;
  const SerialSettings& settings_;
  std::function<void(std::string record)> processRecord_;
  bool processing_ = false;
};

}  // namespace tolvane
