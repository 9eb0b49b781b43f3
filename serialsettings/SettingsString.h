// The settings string ("9600,N,8,1") and the dialog's list positions derived from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "serialsettings/SerialSettings.h"

namespace tolvane {

inline constexpr std::array<const char*, 11> kBaudRows{"110",  "300",   "600",   "1200",  "2400",  "4800",
                                                       "9600", "19200", "38400", "57600", "115200"};
inline constexpr std::array<const char*, 5> kParityRows{"None", "Odd", "Even", "Mark", "Space"};
inline constexpr std::array<const char*, 4> kDataBitsRows{"5", "6", "7", "8"};
inline constexpr std::array<const char*, 3> kStopBitsRows{"1", "1.5", "2"};

// The rows of the dialog's rate list: the standard rates, then the settings string's own rate
// when it is a usable one that is not among them, so that OK with nothing changed keeps it.
std::vector<std::string> BaudRows(const std::string& portSettings);

// Sets BaudIndex (a row of BaudRows), ParityIndex, DataBitsIndex and StopBitsIndex from
// PortSettings. The parity letter is read in either case; a later hit overrides an earlier
// one; a rate that cannot be read leaves BaudIndex at 8 ("38400"), a string without a comma
// keeps the other defaults.
void DerivePositions(SerialSettings& settings);

// The string OK writes from the chosen rate row and list positions; positions outside their
// lists fall back to Even, 7 data bits and 1 stop bit.
std::string BuildSettingsString(const std::string& baud, std::int16_t parity, std::int16_t dataBits,
                                std::int16_t stopBits);

}  // namespace tolvane
