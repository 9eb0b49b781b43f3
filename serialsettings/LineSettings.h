// The line a settings string ("9600,N,8,1") asks for, read once for every platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tolvane {

struct LineSettings {
  std::uint32_t baud = 9600;
  char parity = 'N';       // N, O, E, M or S
  int dataBits = 8;        // 4..8
  int stopBitsTimes2 = 2;  // 2, 3 (1.5) or 4
};

// nullopt for a string the serial control rejects ("Invalid property value"). The parity
// letter is read in either case.
std::optional<LineSettings> ParseLineSettings(const std::string& text);

}  // namespace tolvane
