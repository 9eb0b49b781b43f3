// Invariants every window's table must keep, whatever its contents: tab order, controls
// inside their containers, one default and one cancel button, names the behaviour uses.
#include <gtest/gtest.h>

#include <set>

#include "support/Harness.h"
#include "ui/PasswordForms.h"

namespace tolvane::test {
namespace {

void ExpectSoundTable(Form& form) {
  const FormSpec& f = form.Spec();
  std::set<int> tabs;
  int defaults = 0, cancels = 0, buttons = 0;
  for (const ControlSpec& c : f.controls) {
    const std::string state = c.index >= 0 ? std::string(c.name) + "(" + std::to_string(c.index) + ")" : c.name;
    SCOPED_TRACE(std::string(f.name) + "." + state);
    EXPECT_TRUE(tabs.insert(c.tabIndex).second) << "tab index used twice";
    const ControlSpec* frame = c.container ? f.Find(c.container) : nullptr;
    ASSERT_TRUE(frame || !c.container) << "its container is missing";
    // The never-shown older port chooser keeps its table geometry below its frame.
    const int width = frame ? frame->width : f.clientWidth;
    const int height = frame ? frame->height : f.clientHeight;
    const bool inside = c.left >= 0 && c.top >= 0 && c.left + c.width <= width && c.top + c.height <= height;
    EXPECT_TRUE(inside || (frame && (frame->flags & kHidden))) << "sticks out of its container";
    buttons += c.kind == ControlKind::Button;
    defaults += (c.flags & kDefaultButton) != 0;
    cancels += (c.flags & kCancelButton) != 0;
    // The state the behaviour reads resolves by the table's name.
    using K = ControlKind;
    EXPECT_TRUE((c.kind != K::CheckBox && c.kind != K::OptionButton) || form.Check(state));
    EXPECT_TRUE((c.kind != K::DropDownList && c.kind != K::DropDownCombo) || form.List(state));
    EXPECT_TRUE((c.kind != K::TextBox && c.kind != K::MaskedTextBox) || form.Text(state));
  }
  EXPECT_EQ(*tabs.rbegin(), static_cast<int>(tabs.size()) - 1) << f.name << ": tab order has gaps";
  EXPECT_TRUE(buttons == 0 || (defaults == 1 && cancels == 1)) << f.name << ": default, cancel";
}

TEST(FormTables, EveryWindowKeepsItsInvariantsAndEveryMenuItemDoesSomething) {
  Harness h;
  std::string password, entered;
  SetPasswordDialog setPassword(password, h.fp.messageBox);
  EnterPasswordDialog enterPassword(entered);
  PortSetup settings = h.app.OpenPortSetup();
  About about(h.fp.clock, h.fp.shell, h.fp.toolkit);
  Form* const forms[] = {&h.app.mainForm(), &settings, &setPassword, &enterPassword, &about};
  for (Form* form : forms) ExpectSoundTable(*form);

  std::set<std::string> parents;
  for (const MenuSpec& m : h.app.mainForm().Spec().menus)
    if (m.parent) parents.insert(m.parent);
  for (const MenuSpec& m : h.app.mainForm().Spec().menus) {
    if (parents.count(m.name) || std::string(m.caption) == "-") continue;
    h.fp.journal.Clear();
    h.app.mainForm().Click(m.name);
    EXPECT_FALSE(h.fp.journal.entries.empty()) << m.name << " does nothing";
  }
}

}  // namespace
}  // namespace tolvane::test
