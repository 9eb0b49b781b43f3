#include "serialsettings/LineSettings.h"

#include <cctype>
#include <vector>

namespace tolvane {

std::optional<LineSettings> ParseLineSettings(const std::string& text) {
  std::vector<std::string> f;
  for (std::size_t start = 0;;) {
    const auto comma = text.find(',', start);
    f.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (f.size() != 4 || f[0].empty() || f[0].size() > 7 || f[1].size() != 1 || f[2].size() != 1) return std::nullopt;
  LineSettings line;
  line.baud = 0;
  for (const char c : f[0]) {
    if (c < '0' || c > '9') return std::nullopt;
    line.baud = line.baud * 10 + static_cast<std::uint32_t>(c - '0');
  }
  line.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(f[1][0])));
  line.dataBits = f[2][0] - '0';
  if (line.baud == 0 || std::string("NOEMS").find(line.parity) == std::string::npos || line.dataBits < 4 ||
      line.dataBits > 8)
    return std::nullopt;
  if (f[3] == "1")
    line.stopBitsTimes2 = 2;
  else if (f[3] == "1.5")
    line.stopBitsTimes2 = 3;
  else if (f[3] == "2")
    line.stopBitsTimes2 = 4;
  else
    return std::nullopt;
  return line;
}

}  // namespace tolvane
