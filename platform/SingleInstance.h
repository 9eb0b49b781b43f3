// Whether another copy of the program already runs for the logged-on user.
#pragma once

namespace tolvane {

class SingleInstance {
 public:
  virtual ~SingleInstance() = default;
  virtual bool PreviousInstance() = 0;
};

}  // namespace tolvane
