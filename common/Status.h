// Outcome of a platform operation that may fail, carrying the platform's own error text.
#pragma once

#include <string>
#include <utility>

namespace tolvane {

struct [[nodiscard]] Status {
  bool ok = true;
  std::string description;

  static Status Ok() { return {}; }
  static Status Fail(std::string text) { return {false, std::move(text)}; }
  explicit operator bool() const { return ok; }
};

}  // namespace tolvane
