// Window-toolkit double. A modal dialog is "used" by a script the test queues (what the
// user types and clicks); the dialog must be unloaded by then, as a real modal loop ends.
// It notices a form that is unloaded or destroyed while its own modal loop still runs.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Toolkit.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class Toolkit : public tolvane::Toolkit, Journaled {
 public:
  using Script = std::function<void(Form&)>;
  using Journaled::Journaled;

  void ShowModal(Form& form) override {
    const std::string name = form.Spec().name;
    journal_.Add("ShowModal " + name);
    const std::weak_ptr<const int> alive = form.Lifetime();
    modal_.push_back(&form);
    if (!modalScripts.empty()) {
      const Script script = std::move(modalScripts.front());
      modalScripts.pop_front();
      script(form);
    } else {
      form.Close();  // nobody there: the user closes it
    }
    modal_.erase(std::find(modal_.begin(), modal_.end(), &form));
    if (alive.expired()) {
      journal_.Add("destroyed under its own modal loop: " + name);
      return;
    }
    if (form.loaded) {
      journal_.Add("still loaded after its modal loop: " + name);
      form.loaded = false;
    }
  }
  void ShowModeless(Form& form) override { journal_.Add(std::string("ShowModeless ") + form.Spec().name); }
  void Unload(Form& form) override {
    journal_.Add(std::string("Unload ") + form.Spec().name);
    if (std::find(modal_.begin(), modal_.end(), &form) != modal_.end())
      journal_.Add(std::string("unloaded under its own modal loop: ") + form.Spec().name);
  }
  void BringToFront(Form& form) override { journal_.Add(std::string("BringToFront ") + form.Spec().name); }
  void Refresh(Form& form) override { journal_.Add(std::string("Refresh ") + form.Spec().name); }
  std::string TrackPopupMenu(const std::vector<MenuSpec>& items, const std::string& defaultItem) override {
    std::string entry = "PopupMenu";
    for (const auto& item : items) entry += std::string(" ") + item.name;
    journal_.Add(entry + " default " + defaultItem);
    const std::string choice = popupChoice;
    popupChoice.clear();
    return choice;
  }
  void SetMousePointer(MousePointer pointer) override {
    journal_.Add(pointer == MousePointer::Hourglass ? "MousePointer hourglass" : "MousePointer default");
  }
  void AppActivate(const std::string& title) override { journal_.Add("AppActivate " + title); }
  ScreenSize Screen() override { return {19200, 14400}; }

  std::deque<Script> modalScripts;
  std::string popupChoice;  // what the user picks from the next pop-up menu

 private:
  std::vector<const Form*> modal_;  // innermost last
};

}  // namespace tolvane::fake
