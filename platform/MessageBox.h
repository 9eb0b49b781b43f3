// Message boxes: an OK button only, no icon, the program's title "Tolvane" as caption.
#pragma once

#include <string>

namespace tolvane {

class MessageBox {
 public:
  virtual ~MessageBox() = default;
  // Returns when the user has closed it. The text may name a file in UTF-8.
  virtual void Show(const std::string& text) = 0;
};

}  // namespace tolvane
