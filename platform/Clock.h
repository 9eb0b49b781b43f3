// The local wall clock, and a monotonic count of milliseconds for spacing things out.
#pragma once

#include <cstdint>

namespace tolvane {

struct LocalDateTime {
  int year = 2000;  // four digits
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;     // 0..23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() = 0;
  virtual std::uint64_t Milliseconds() = 0;
};

}  // namespace tolvane
