#include "capture/RecordProcessing.h"

#include "capture/DateTimeFields.h"
#include "common/TextToNumber.h"

#include <vector>

namespace tolvane {
namespace {

bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Only from a process of at least the window's integrity level, and only to an input desktop; a
// level that cannot be read counts as higher.
bool KeysReach(const ForegroundInput& f) {
  return f.inputDesktop && f.ownLevel && f.foregroundLevel && *f.foregroundLevel <= *f.ownLevel;
}

}  // namespace

std::optional<std::string> BeepStringToBytes(std::string_view beepString) {
  std::string w(beepString);
  w += ',';
  std::string bytes;
  std::size_t start = 0;
  while (start < w.size()) {
    const auto value = ToInt32(TextToNumber(std::string_view(w).substr(start)));
    if (!value) return std::nullopt;
    bytes += static_cast<char>(static_cast<std::uint8_t>(*value));
    start = w.find(',', start) + 1;  // there is always one: w ends in a comma
  }
  return bytes;
}

std::uint32_t MessageBeepType(std::int16_t cboSoundIndex) {
  switch (cboSoundIndex) {
    case 1: return Sound::kIconAsterisk;
    case 2: return Sound::kIconExclamation;
    case 3: return Sound::kIconHand;
    case 4: return Sound::kIconQuestion;
    default: return Sound::kOk;
  }
}

RecordProcessing::RecordProcessing(const Platform& platform, MainForm& form, const SerialSettings& settings,
                                   const KeyTransTable& keyTrans, const std::int32_t& dosTarget,
                                   ConsoleTyping simSendKeys)
    : platform_(platform),
      form_(form),
      settings_(settings),
      keyTrans_(keyTrans),
      dosTarget_(dosTarget),
      simSendKeys_(std::move(simSendKeys)) {}

// Bytes back to the scanner. A write that fails is dropped: the serial control reports a
// scanner that takes nothing (once, in the caption), and the record goes on.
void RecordProcessing::Acknowledge(std::string_view bytes) { static_cast<void>(platform_.serial.Output(bytes)); }

// Each step's failure is ignored and the next step runs; nothing is reported.
void RecordProcessing::ProcessRecords(std::vector<std::string> records) {
  std::vector<std::string> typed;
  for (auto& record : records)
    if (Accept(record)) typed.push_back(std::move(record));
  // Keys typed into one of our own windows would work its controls (Enter presses OK).
  if (typed.empty() || platform_.activeWindow.ProgramWindowActive()) return;
  // The system would drop them without a word: refused here, on both paths.
  if (!KeysReach(platform_.activeWindow.Foreground())) {
    if (notTyped)
      for (const auto& record : typed) notTyped(record);
    return;
  }
  if (dosTarget_ != 0)
    TypeOnConsole(typed);
  else
    TypeInBatch(typed);
}

bool RecordProcessing::Accept(std::string& record) {
  if (settings_.FlowCtrlIndex == kFlowOptoRS) {
    state.OptoRecordToggle = !state.OptoRecordToggle;
    if (!state.OptoRecordToggle) return false;
    Acknowledge("?\r");
  }

  if (form_.RemoveCRs.Checked() && EndsWith(record, "{ENTER}")) record.erase(record.size() - 7);
  if (form_.RemoveCRs.Checked()) {
    if (EndsWith(record, "\n")) record.pop_back();
    if (EndsWith(record, "\r")) record.pop_back();
  }

  if (form_.BeepOnInput.Checked()) platform_.sound.MessageBeep(MessageBeepType(form_.cboSound.listIndex));
  if (!settings_.ScannerBeepString.empty()) {
    if (const auto bytes = BeepStringToBytes(settings_.ScannerBeepString)) Acknowledge(*bytes);
  }

  if (form_.IgnoreDups.Checked() && record == state.LastRecord) return false;
  state.LastRecord = record;
  state.Postamble = form_.TermKeyCombo.text;
  form_.Display.text = record + ExpandDateTimeFields(state.Postamble, platform_.clock);
  if (shown) shown(form_.Display.text);
  return true;
}

// Text by text. A record with a character the layout has no key for is not typed at all:
// typing the rest and then the postamble would submit a wrong code.
void RecordProcessing::TypeOnConsole(const std::vector<std::string>& records) {
  for (const auto& record : records) {
    std::vector<std::string> texts;
    for (const char c : record) texts.push_back(keyTrans_[static_cast<unsigned char>(c)]);
    texts.push_back(ExpandDateTimeFields(state.Postamble, platform_.clock));
    bool typeable = true;
    for (const auto& text : texts) typeable = typeable && simSendKeys_.hasKeys(text);
    if (!typeable) {
      if (notTyped) notTyped(record);
      continue;
    }
    for (const auto& text : texts) simSendKeys_.type(text);
  }
}

// One batch, so nothing the user types can land in the middle of a scan.
void RecordProcessing::TypeInBatch(const std::vector<std::string>& records) {
  std::vector<std::string> texts;
  for (const auto& record : records) {
    for (const char c : record)
      texts.push_back(ExpandDateTimeFields(keyTrans_[static_cast<unsigned char>(c)], platform_.clock));
    texts.push_back(ExpandDateTimeFields(state.Postamble, platform_.clock));
  }
  // Not retried: by then another window may have the focus.
  if (!platform_.sendKeys.SendBatch(texts, true).delivered && notTyped)
    for (const auto& record : records) notTyped(record);
}

}  // namespace tolvane
