// Fuzzes number reading and the scanner beep string: nothing crashes, rounding keeps its
// range promises, and the beep bytes are one per comma-separated field.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "capture/RecordProcessing.h"
#include "common/TextToNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double v = tolvane::TextToNumber(text);
  if (std::isnan(v)) std::abort();
  if (const auto n = tolvane::ToInt16(v)) {
    if (std::fabs(*n - v) > 0.5) std::abort();
  }
  if (const auto n = tolvane::ToInt32(v)) {
    if (std::fabs(static_cast<double>(*n) - v) > 0.5) std::abort();
  }
  if (const auto bytes = tolvane::BeepStringToBytes(text)) {
    std::size_t fields = 1;
    for (const char c : text) fields += c == ',';
    if (bytes->size() != fields) std::abort();
  }
  return 0;
}
