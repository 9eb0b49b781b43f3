#include "serialsettings/SettingsString.h"

#include <algorithm>

#include "common/TextToNumber.h"

namespace tolvane {

std::vector<std::string> BaudRows(const std::string& portSettings) {
  std::vector<std::string> rows(kBaudRows.begin(), kBaudRows.end());
  const auto rate = ToInt32(TextToNumber(portSettings));
  if (rate && *rate > 0) {
    const std::string text = std::to_string(*rate);
    if (std::find(rows.begin(), rows.end(), text) == rows.end()) rows.push_back(text);
  }
  return rows;
}

void DerivePositions(SerialSettings& s) {
  const std::string& text = s.PortSettings;

  s.BaudIndex = 8;
  if (const auto rate = ToInt32(TextToNumber(text))) {
    const std::vector<std::string> rows = BaudRows(text);
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (std::to_string(*rate) == rows[i]) s.BaudIndex = static_cast<std::int16_t>(i);
  }

  s.ParityIndex = 2;
  s.StopBitsIndex = 0;
  s.DataBitsIndex = 2;
  const auto comma = text.find(',');
  if (comma == std::string::npos) return;
  const auto has = [&](const char* needle) { return text.find(needle, comma) != std::string::npos; };
  const auto hasLetter = [&](char upper) {
    return text.find(upper, comma) != std::string::npos ||
           text.find(static_cast<char>(upper - 'A' + 'a'), comma) != std::string::npos;
  };

  // There is no search for "E": Even is what remains.
  if (hasLetter('N')) s.ParityIndex = 0;
  if (hasLetter('O')) s.ParityIndex = 1;
  if (hasLetter('M')) s.ParityIndex = 3;
  if (hasLetter('S')) s.ParityIndex = 4;

  if (has(",2")) s.StopBitsIndex = 2;
  if (has("1.5")) s.StopBitsIndex = 1;

  if (has(",5")) s.DataBitsIndex = 0;
  if (has(",6")) s.DataBitsIndex = 1;
  if (has(",8")) s.DataBitsIndex = 3;
}

std::string BuildSettingsString(const std::string& baud, std::int16_t parity, std::int16_t dataBits,
                                std::int16_t stopBits) {
  std::string s = baud;
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
