// Fuzzes the send-keys notation of the typing facility: nothing crashes, and every modifier
// that goes down comes up again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "keysynth/SendKeysNotation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto strokes = tolvane::ParseSendKeys(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!strokes) return 0;
  if (strokes->size() > tolvane::kMaxStrokes) std::abort();
  int held[3] = {0, 0, 0};
  for (const auto& s : *strokes) {
    if (s.kind == tolvane::KeyStroke::Down) ++held[s.vk - 0x10];
    if (s.kind == tolvane::KeyStroke::Up && --held[s.vk - 0x10] < 0) std::abort();
  }
  if (held[0] || held[1] || held[2]) std::abort();
  return 0;
}
