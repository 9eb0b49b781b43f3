#include "serialsettings/SettingsString.h"

#include "common/TextToNumber.h"

namespace tolvane {

void DerivePositions(SerialSettings& s) {
  const std::string& text = s.PortSettings;

  s.BaudIndex = 8;
  if (const auto rate = ToInt32(TextToNumber(text))) {
    for (std::size_t i = 0; i < kBaudRows.size(); ++i)
      if (std::to_string(*rate) == kBaudRows[i]) s.BaudIndex = static_cast<std::int16_t>(i);
  }

  s.ParityIndex = 2;
  s.StopBitsIndex = 0;
  s.DataBitsIndex = 2;
  const auto comma = text.find(',');
  if (comma == std::string::npos) return;
  const auto has = [&](const char* needle) { return text.find(needle, comma) != std::string::npos; };

  // There is no search for "E": Even is what remains.
  if (has("N")) s.ParityIndex = 0;
  if (has("O")) s.ParityIndex = 1;
  if (has("M")) s.ParityIndex = 3;
  if (has("S")) s.ParityIndex = 4;

  if (has(",2")) s.StopBitsIndex = 2;
  if (has("1.5")) s.StopBitsIndex = 1;

  if (has(",5")) s.DataBitsIndex = 0;
  if (has(",6")) s.DataBitsIndex = 1;
  if (has(",8")) s.DataBitsIndex = 3;
}

std::string BuildSettingsString(std::int16_t baud, std::int16_t parity, std::int16_t dataBits, std::int16_t stopBits) {
  std::string s = baud >= 0 && baud < static_cast<std::int16_t>(kBaudRows.size()) ? kBaudRows[static_cast<std::size_t>(baud)] : "0";
  switch (parity) {
    case 0: s += ",N"; break;
    case 1: s += ",O"; break;
    case 3: s += ",M"; break;
    case 4: s += ",S"; break;
    default: s += ",E"; break;
  }
  switch (dataBits) {
    case 0: s += ",5"; break;
    case 1: s += ",6"; break;
    case 3: s += ",8"; break;
    default: s += ",7"; break;
  }
  switch (stopBits) {
    case 1: s += ",1.5"; break;
    case 2: s += ",2"; break;
    default: s += ",1"; break;
  }
  return s;
}

}  // namespace tolvane
