// What every window of the program offers its renderer and its tests: its table, the state
// of its controls by name, and its click handlers.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "ui/Controls.h"
#include "ui/FormSpec.h"

namespace tolvane {

class Form {
 public:
  virtual ~Form() = default;
  virtual const FormSpec& Spec() const = 0;

  // Live state of a control; null for controls that have none (labels, buttons).
  virtual CheckBox* Check(std::string_view) { return nullptr; }
  virtual ListBox* List(std::string_view) { return nullptr; }
  virtual TextBox* Text(std::string_view) { return nullptr; }
  // A click on a control or menu item; index for an element of a control array.
  virtual void Click(std::string_view, int /*index*/ = -1) {}
  // The close box: a dialog is unloaded as its Cancel would leave things.
  virtual void Close() { loaded = false; }

  bool loaded = false;
  std::string caption;
  int left = -1, top = -1;  // twips on the screen; -1 centres the window
  int outerHeight = 0;      // twips; 0 keeps the size of the table
  // Controls shown or hidden at run time, over what the table says.
  std::map<std::string, bool> visibleOverride;

  bool ControlVisible(const ControlSpec& c) const {
    const auto it = visibleOverride.find(c.name);
    return it != visibleOverride.end() ? it->second : (c.flags & kHidden) == 0;
  }

  // Expires when this form object is destroyed, so a toolkit can tell that a form it is
  // showing was destroyed under it.
  std::weak_ptr<const int> Lifetime() const { return lifetime_.token; }

 private:
  // A copy is another form with a life of its own.
  struct Token {
    std::shared_ptr<const int> token = std::make_shared<const int>(0);
    Token() = default;
    Token(const Token&) {}
    Token& operator=(const Token&) { return *this; }
  } lifetime_;
};

}  // namespace tolvane
