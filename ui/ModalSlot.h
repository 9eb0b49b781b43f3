// One dialog of a kind at a time. Tray messages, ticks and menus can ask for a dialog while
// it is already in its modal loop; the second request brings that one to the front instead
// of stacking another or destroying it under its own loop.
#pragma once

#include "platform/Toolkit.h"
#include "ui/Form.h"

namespace tolvane {

class ModalSlot {
 public:
  bool Busy() const { return shown_ != nullptr; }
  Form* Shown() const { return shown_; }

  // Shows form modally and returns once it is unloaded; false, without showing it, when
  // this slot's dialog is already up (which is brought to the front).
  bool Show(Toolkit& toolkit, Form& form) {
    if (shown_) {
      toolkit.BringToFront(*shown_);
      return false;
    }
    shown_ = &form;
    toolkit.ShowModal(form);
    shown_ = nullptr;
    return true;
  }

 private:
  Form* shown_ = nullptr;
};

}  // namespace tolvane
