// Record processing: turns completed records into beeps, an echo in the window and
// keystrokes in the focused application, in one fixed order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/KeyTrans.h"
#include "platform/Platform.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

struct RecordState {
  std::string LastRecord;  // the record accepted last, for IgnoreDups
  bool OptoRecordToggle = false;
  std::string Postamble;
};

// The console typing path: types a key-sequence text itself (the result is not examined), and
// tells beforehand whether every character of a text has a key.
struct ConsoleTyping {
  std::function<std::int16_t(const std::string&)> type;
  std::function<bool(const std::string&)> hasKeys;
};

class RecordProcessing {
 public:
  RecordProcessing(const Platform& platform, MainForm& form, const SerialSettings& settings,
                   const KeyTransTable& keyTrans, const std::int32_t& dosTarget, ConsoleTyping simSendKeys);

  // Records completed together, each in turn (beeps, acknowledgement, echo, keystrokes); their
  // keys go in as few batches as the typing path allows, in order.
  void ProcessRecords(std::vector<std::string> records);

  RecordState state;
  // Told of every record shown in Display, with its postamble.
  std::function<void(const std::string& display)> shown;
  // Told of a record the system did not take (a locked workstation, an elevated target).
  std::function<void(const std::string& record)> notTyped;

 private:
  void Acknowledge(std::string_view bytes);
  // Everything before the typing; false when the record is not to be typed.
  bool Accept(std::string& record);
  void TypeOnConsole(const std::vector<std::string>& records);
  void TypeInBatch(const std::vector<std::string>& records);

  Platform platform_;
  MainForm& form_;
  const SerialSettings& settings_;
  const KeyTransTable& keyTrans_;
  const std::int32_t& dosTarget_;
  ConsoleTyping simSendKeys_;
};

// The scanner beep string ("27,7") as the bytes to send; nullopt when a field does not fit
// a 32-bit integer, in which case nothing is sent.
std::optional<std::string> BeepStringToBytes(std::string_view beepString);

// MessageBeep type for a position of the sound list; anything unknown plays the default.
std::uint32_t MessageBeepType(std::int16_t cboSoundIndex);

}  // namespace tolvane
