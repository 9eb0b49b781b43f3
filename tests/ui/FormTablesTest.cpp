// Invariants every window's table must keep, whatever its contents: tab order, controls
// inside their containers, one default and one cancel button, names the behaviour uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/Harness.h"
#include "ui/PasswordForms.h"

namespace tolvane::test {
namespace {

// The container's client size in twips; the form's for controls not in a frame.
std::pair<int, int> ContainerSize(const FormSpec& f, const ControlSpec& c) {
  if (!c.container) return {f.clientWidth, f.clientHeight};
  const ControlSpec* frame = f.Find(c.container);
  return frame ? std::pair<int, int>{frame->width, frame->height} : std::pair<int, int>{-1, -1};
}

void ExpectSoundTable(Form& form) {
  const FormSpec& f = form.Spec();
  std::set<int> tabs;
  int defaults = 0, cancels = 0, buttons = 0;
  for (const ControlSpec& c : f.controls) {
    const std::string name = std::string(f.name) + "." + c.name + (c.index >= 0 ? std::to_string(c.index) : "");
    EXPECT_TRUE(tabs.insert(c.tabIndex).second) << name << ": tab index used twice";
    const auto [w, h] = ContainerSize(f, c);
    EXPECT_GE(w, 0) << name << ": its container is missing";
    EXPECT_GE(c.left, 0) << name;
    EXPECT_GE(c.top, 0) << name;
    // The never-shown older port chooser keeps its table geometry; its lower
    // buttons lie below its frame.
    const ControlSpec* frame = c.container ? f.Find(c.container) : nullptr;
    if (!frame || !(frame->flags & kHidden)) {
      EXPECT_LE(c.left + c.width, w) << name << " sticks out of its container";
      EXPECT_LE(c.top + c.height, h) << name << " sticks out of its container";
    }
    if (c.flags & kAutoSize) {
      EXPECT_EQ(c.width + c.height, 0) << name;
    }
    buttons += c.kind == ControlKind::Button;
    defaults += (c.flags & kDefaultButton) != 0;
    cancels += (c.flags & kCancelButton) != 0;
    // The state the behaviour reads resolves by the table's name.
    const std::string state = c.index >= 0 ? std::string(c.name) + "(" + std::to_string(c.index) + ")" : c.name;
    switch (c.kind) {
      case ControlKind::CheckBox:
      case ControlKind::OptionButton: EXPECT_NE(form.Check(state), nullptr) << name; break;
      case ControlKind::DropDownList:
      case ControlKind::DropDownCombo: EXPECT_NE(form.List(state), nullptr) << name; break;
      case ControlKind::TextBox:
      case ControlKind::MaskedTextBox: EXPECT_NE(form.Text(state), nullptr) << name; break;
      default: break;
    }
  }
  ASSERT_FALSE(tabs.empty());
  EXPECT_EQ(*tabs.rbegin(), static_cast<int>(tabs.size()) - 1) << f.name << ": tab order has gaps";
  if (buttons > 0) {
    EXPECT_EQ(defaults, 1) << f.name << ": default buttons";
    EXPECT_EQ(cancels, 1) << f.name << ": cancel buttons";
  }
  for (const MenuSpec& m : f.menus) {
    if (m.parent) {
      EXPECT_NE(std::string(m.parent), m.name) << m.name;
    }
  }
}

TEST(FormTables, EveryWindowKeepsItsInvariants) {
  Harness h;
  std::string password, entered;
  SetPasswordDialog setPassword(password, h.fp.messageBox);
  EnterPasswordDialog enterPassword(entered);
  PortSetup settings = h.app.OpenPortSetup();
  About about(h.fp.clock, h.fp.shell, h.fp.toolkit);
  for (Form* form : std::initializer_list<Form*>{&h.app.mainForm(), &settings, &setPassword, &enterPassword, &about})
    ExpectSoundTable(*form);
}

// Every menu item and button the window shows does something: a click on it reaches a handler.
TEST(FormTables, EveryMenuItemReachesItsHandler) {
  Harness h;
  h.fp.toolkit.popupChoice.clear();
  for (const MenuSpec& m : h.app.mainForm().Spec().menus) {
    const bool hasItems = std::any_of(h.app.mainForm().Spec().menus.begin(), h.app.mainForm().Spec().menus.end(),
                                      [&](const MenuSpec& other) { return other.parent && std::string(other.parent) == m.name; });
    if (hasItems || std::string(m.caption) == "-") continue;
    h.fp.journal.Clear();
    h.app.mainForm().Click(m.name);
    EXPECT_FALSE(h.fp.journal.entries.empty()) << m.name << " does nothing";
  }
}

}  // namespace
}  // namespace tolvane::test
