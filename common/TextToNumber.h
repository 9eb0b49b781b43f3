// The one rule by which text becomes a number (configuration integers, beep strings,
// baud rates, repeat counts): the classic BASIC Val, then round half to even.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvane {

// Reads a number from the start of text. Blanks, tabs, CR and LF are skipped anywhere;
// reading stops at the first character that cannot continue; no number reads as 0.
// A decimal value too large for a double reads as +/-infinity.
double TextToNumber(std::string_view text);

// Nearest whole number, a half going to the even neighbour.
double RoundHalfEven(double x);

// Round first, then the range check; nullopt when the result does not fit.
std::optional<std::int16_t> ToInt16(double x);
std::optional<std::int32_t> ToInt32(double x);

}  // namespace tolvane
