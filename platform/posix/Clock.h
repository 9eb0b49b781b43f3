// The local wall clock of a POSIX system.
#pragma once

#include "platform/Clock.h"

namespace tolvane::posix {

class Clock : public tolvane::Clock {
 public:
  LocalDateTime Now() override;
};

}  // namespace tolvane::posix
