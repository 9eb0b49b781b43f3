// The shell's open request (a web address in the default browser).
#pragma once

#include <string>

namespace tolvane {

class Shell {
 public:
  virtual ~Shell() = default;
  // file is a UTF-8 path or address. Not checked: the shell reports its own failures, the
  // program adds nothing.
  virtual void Open(const std::string& file) = 0;
};

}  // namespace tolvane
