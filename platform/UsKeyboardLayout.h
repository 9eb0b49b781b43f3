// The US-English layout, answering as Windows does, for platforms that have no layout
// of their own and for the tests.
#pragma once

#include <cstdint>

namespace tolvane {

// As VkKeyScanA on the US layout for a code page 1252 character.
std::int16_t UsVkKeyScan(std::uint8_t ansiChar);
// As MapVirtualKeyA(vk, 0) on the US layout: the set-1 scan code, 0 for none.
std::uint8_t UsScanCode(std::uint8_t vk);

}  // namespace tolvane
