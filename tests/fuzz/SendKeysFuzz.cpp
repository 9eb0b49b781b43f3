// Fuzzes the typing facility: the notation, then the emitter on a published layout with
// Caps Lock and the user's held keys as the first bytes say. Nothing crashes, every modifier
// the text puts down comes up, and the batch leaves no key down, no Caps Lock changed and no
// dead key waiting.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string_view>

#include "keysynth/KeystrokeEmitter.h"
#include "keysynth/SendKeysNotation.h"
#include "tests/support/TableLayout.h"
#include "tests/support/TypingSimulator.h"

namespace {

struct Keys : tolvane::KeyStates {
  std::int16_t GetKeyState(std::uint8_t vk) const override {
    if (vk == 0x14) return capsLock ? 1 : 0;
    return held.count(vk) ? static_cast<std::int16_t>(0x8000) : 0;
  }
  bool capsLock = false;
  std::set<std::uint8_t> held;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t choice = data[0], holding = data[1];
  const auto strokes = tolvane::ParseSendKeys(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2));
  if (!strokes) return 0;
  if (strokes->size() > tolvane::kMaxStrokes) std::abort();
  int held[3] = {0, 0, 0};
  for (const auto& s : *strokes) {
    if (s.kind == tolvane::KeyStroke::Down) ++held[s.vk - 0x10];
    if (s.kind == tolvane::KeyStroke::Up && --held[s.vk - 0x10] < 0) std::abort();
  }
  if (held[0] || held[1] || held[2]) std::abort();

  const auto& layouts = tolvane::test::AllLayouts();
  const tolvane::test::TableLayout layout(*layouts[choice % layouts.size()]);
  Keys keys;
  keys.capsLock = (choice & 0x80) != 0;
  const std::uint8_t modifiers[8] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x5B, 0x5C};
  for (int i = 0; i < 8; ++i)
    if (holding & (1 << i)) keys.held.insert(modifiers[i]);
  tolvane::KeystrokeEmitter emitter(layout, keys, [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
  emitter.Add(*strokes);
  tolvane::test::TypingSimulator sim(layout, keys.capsLock);
  for (const std::uint8_t k : keys.held) sim.Hold(k);
  sim.Type(emitter.Finish());
  for (const auto& f : sim.Faults()) std::fprintf(stderr, "fault: %s\n", f.c_str());
  if (!sim.Faults().empty()) std::abort();
  return 0;
}
