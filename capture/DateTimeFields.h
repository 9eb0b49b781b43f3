// Date and time fields ({YEAR} .. {SECOND}) in key-sequence texts, replaced by two-digit
// parts of the local clock just before a text is shown or typed.
#pragma once

#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace tolvane {

// Replaces the first occurrence of each field (names in any case); each field found reads
// the clock anew.
std::string ExpandDateTimeFields(std::string_view text, Clock& clock);

}  // namespace tolvane
