// The key names of the send-keys notation, one table for both typing paths. The console
// path knows fewer names and reads {BREAK} as the Control key; that difference is a column.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/VirtualKeys.h"

namespace tolvane {

struct KeyNameRow {
  const char* name;
  std::uint8_t vk;       // the key the typing facility presses
  std::uint8_t console;  // the key the console path presses for it; 0 where it does not know the name
};

const std::vector<KeyNameRow>& KeyNameTable();

enum class KeyNameSet { Console, Windows };

// The row named by text, blanks around it ignored and case not regarded; null for none.
const KeyNameRow* LookupKeyName(std::string_view text, KeyNameSet set);

}  // namespace tolvane
