// The settings string ("9600,N,8,1") and the dialog's list positions derived from it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "serialsettings/SerialSettings.h"

namespace tolvane {

inline constexpr std::array<const char*, 11> kBaudRows{"110",  "300",   "600",   "1200",  "2400",  "4800",
                                                       "9600", "19200", "38400", "57600", "115200"};
inline constexpr std::array<const char*, 5> kParityRows{"None", "Odd", "Even", "Mark", "Space"};
inline constexpr std::array<const char*, 4> kDataBitsRows{"5", "6", "7", "8"};
inline constexpr std::array<const char*, 3> kStopBitsRows{"1", "1.5", "2"};

// Sets BaudIndex, ParityIndex, DataBitsIndex and StopBitsIndex from PortSettings. The
// searches are case-sensitive and a later hit overrides an earlier one; an unknown rate
// leaves BaudIndex at 8 ("38400"), a string without a comma keeps the other defaults.
void DerivePositions(SerialSettings& settings);

// The string OK writes; positions outside their lists fall back as the dialog always did.
std::string BuildSettingsString(std::int16_t baud, std::int16_t parity, std::int16_t dataBits, std::int16_t stopBits);

}  // namespace tolvane
