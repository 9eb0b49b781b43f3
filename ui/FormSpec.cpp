#include "ui/FormSpec.h"

#include <cstring>

namespace tolvane {

const ControlSpec* FormSpec::Find(const char* controlName, int index) const {
  for (const auto& c : controls)
    if (std::strcmp(c.name, controlName) == 0 && c.index == index) return &c;
  return nullptr;
}

}  // namespace tolvane
