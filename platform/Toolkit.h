// The window toolkit's services that the core asks for: dialogs shown modally or not, the
// pop-up menu, the mouse pointer, activating a window by its title. It takes the form model
// (ui/Form.h) because drawing the form tables is this service's whole job; the model is plain
// data, rows of controls and their state, with none of the core's behaviour in it.
#pragma once

#include <string>
#include <vector>

#include "ui/Form.h"

namespace tolvane {

enum class MousePointer { Default, Hourglass };

struct ScreenSize {
  int width, height;  // twips
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  // Shows the loaded form and returns once it has been unloaded (form.loaded false).
  virtual void ShowModal(Form& form) = 0;
  // Shows the loaded form and returns at once.
  virtual void ShowModeless(Form& form) = 0;
  // Destroys the window of a form shown modelessly; its model is already unloaded.
  virtual void Unload(Form& form) = 0;
  // A form already on the screen becomes the active window.
  virtual void BringToFront(Form& form) = 0;
  // Repaints the form at once (the splash, while start-up keeps the thread busy).
  virtual void Refresh(Form& form) = 0;
  // The pop-up menu's items at the mouse position; the chosen item's name, or "" for none.
  virtual std::string TrackPopupMenu(const std::vector<MenuSpec>& items, const std::string& defaultItem) = 0;
  virtual void SetMousePointer(MousePointer pointer) = 0;
  // The top-level window with this title becomes the active window.
  virtual void AppActivate(const std::string& title) = 0;
  virtual ScreenSize Screen() = 0;
};

}  // namespace tolvane
