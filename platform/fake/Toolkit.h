// Window-toolkit double. A modal dialog is "used" by a script the test queues (what the
// user types and clicks); the dialog must be unloaded by then, as a real modal loop ends.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "platform/Toolkit.h"
#include "platform/fake/Journal.h"

namespace tolvane::fake {

class Toolkit : public tolvane::Toolkit {
 public:
  using Script = std::function<void(Form&)>;

  explicit Toolkit(Journal& journal) : journal_(journal) {}

  void ShowModal(Form& form) override {
    journal_.Add(std::string("ShowModal ") + form.Spec().name);
    ++modalDepth;
    if (!modalScripts.empty()) {
      const Script script = std::move(modalScripts.front());
      modalScripts.pop_front();
      script(form);
    } else {
      form.Close();  // nobody there: the user closes it
    }
    --modalDepth;
    if (form.loaded) {
      journal_.Add(std::string("still loaded after its modal loop: ") + form.Spec().name);
      form.loaded = false;
    }
  }
  void ShowModeless(Form& form) override { journal_.Add(std::string("ShowModeless ") + form.Spec().name); }
  void Unload(Form& form) override { journal_.Add(std::string("Unload ") + form.Spec().name); }
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
  ScreenSize Screen() override { return screen; }

  std::deque<Script> modalScripts;
  std::string popupChoice;  // what the user picks from the next pop-up menu
  ScreenSize screen{19200, 14400};
  int modalDepth = 0;

 private:
  Journal& journal_;
};

}  // namespace tolvane::fake
