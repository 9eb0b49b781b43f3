// Clock double: a fixed time, or a script of times handed out one per reading, the last kept.
#pragma once

#include <deque>

#include "platform/Clock.h"

namespace tolvane::fake {

class Clock : public tolvane::Clock {
 public:
  LocalDateTime Now() override {
    ++readings;
    if (!script.empty()) {
      now = script.front();
      script.pop_front();
    }
    return now;
  }

  std::uint64_t Milliseconds() override { return ms; }

  LocalDateTime now{2007, 3, 5, 14, 5, 9};
  std::uint64_t ms = 100000;
  std::deque<LocalDateTime> script;
  int readings = 0;
};

}  // namespace tolvane::fake
