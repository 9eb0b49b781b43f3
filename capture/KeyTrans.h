// The translation table: the key-sequence text typed for each character code 0..255, so
// that record data with a meaning of its own in send-keys notation is typed literally.
#pragma once

#include <array>
#include <string>

namespace tolvane {

using KeyTransTable = std::array<std::string, 256>;

// Fills all 256 entries with the built-in contents.
void InitKeyTrans(KeyTransTable& keyTrans);

}  // namespace tolvane
