#include <gmock/gmock.h>

#include <functional>
#include <set>

#include "support/Harness.h"
#include "ui/PasswordForms.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A user at the enter-password dialog.
fake::Toolkit::Script Types(const std::string& text) {
  return [text](Form& f) {
    f.Text("PasswordBox")->text = text;
    f.Click("OkButton");
  };
}

struct WindowHarness : Harness {
  WindowHarness() {
    app.mainForm().visible = true;
    fp.journal.Clear();
  }
  void Minimise() { app.mainForm().SetWindowState(kMinimized); }
  void Restore() { app.window().mnuOpen_Click(); }
  std::vector<std::string> Modal() const { return fp.journal.With("ShowModal"); }
};

// The lock holds whatever the tick does: a failed open stops it, and the cases run without it.
TEST(MainWindow, RestoreFromTheIconOrBySystemAsksForThePassword) {
  const struct {
    const char* password;
    fake::Toolkit::Script user;
    bool restored;
    std::vector<std::string> messages;
  } cases[] = {
      {"", nullptr, true, {}},  // no lock: back without a question
      {"Secret", Types("Secret"), true, {}},
      {"Secret", Types("secret"), false, {"MessageBox Invalid password"}},
      {"Secret", Types(""), false, {}},
      {"Secret", [](Form& f) { f.Click("CancelButton"); }, false, {}},
      {"Secret", nullptr, false, {}},  // closed
  };
  for (const auto& c : cases) {
    WindowHarness h;
    h.app.password() = c.password;
    h.app.mainForm().TickTimer.enabled = false;
    h.Minimise();
    EXPECT_FALSE(h.app.mainForm().visible) << "minimising hides the window behind the icon";
    EXPECT_THAT(h.Modal(), IsEmpty()) << "minimising never asks";
    if (c.user) h.fp.toolkit.modalScripts.push_back(c.user);
    h.Restore();
    EXPECT_EQ(h.Modal().size(), *c.password ? 1u : 0u);
    EXPECT_EQ(h.fp.journal.With("MessageBox"), c.messages);
    EXPECT_EQ(h.app.mainForm().visible, c.restored) << c.password;
    EXPECT_EQ(h.app.mainForm().windowState, c.restored ? kNormal : kMinimized);
    EXPECT_FALSE(h.app.window().InResize);
  }

  WindowHarness h;  // the system's own restore asks too; a nested resize returns at once
  h.app.password() = "pw";
  h.Minimise();
  h.fp.toolkit.modalScripts.push_back(Types("pw"));
  h.app.mainForm().windowState = kNormal;
  h.app.window().Form_Resize();
  EXPECT_THAT(h.Modal(), ElementsAre("ShowModal EnterPasswordDialog"));
  EXPECT_TRUE(h.app.mainForm().visible);
  h.app.window().InResize = true;
  h.Minimise();
  EXPECT_TRUE(h.app.mainForm().visible);
}

TEST(MainWindow, SetPasswordDialog) {
  WindowHarness h;
  h.app.password() = "old";
  const auto set = [&h](const char* first, const char* second, const char* button = "OkButton") {
    h.fp.toolkit.modalScripts.push_back([=](Form& f) {
      EXPECT_EQ(f.Text("ConfirmBox")->text, f.Text("PasswordBox")->text) << "both start alike";
      EXPECT_EQ(f.left, 19200 / 2 - 3120 / 2) << "centred on the screen";
      if (first) f.Text("PasswordBox")->text = first;
      if (second) f.Text("ConfirmBox")->text = second;
      f.Click(button);
      if (f.loaded) f.Click("CancelButton");  // a mismatch keeps the dialog open
    });
    h.app.mainForm().Click("mPassword");
  };
  set("New", "new");  // differs in case only
  EXPECT_EQ(h.app.password(), "old");
  EXPECT_THAT(h.fp.journal.With("MessageBox"), ElementsAre(std::string("MessageBox ") + kPasswordMismatch));
  set("New", "New");
  set(nullptr, nullptr);  // OK at once keeps it
  EXPECT_EQ(h.app.password(), "New");
  set("x", "x", "CancelButton");
  EXPECT_EQ(h.app.password(), "New");
  set("", "");
  EXPECT_EQ(h.app.password(), "") << "an empty pair removes the lock";
}

TEST(MainWindow, IconMenusAboutAndHelp) {
  WindowHarness h;
  h.app.window().Icon_DoubleClick();
  h.app.window().Icon_MenuRequest();
  h.app.window().TaskbarCreated();
  EXPECT_THAT(h.fp.journal.entries, IsEmpty());

  h.Minimise();
  h.app.window().Icon_DoubleClick();
  h.app.window().Icon_DoubleClick();  // already up: brought forward, not made again
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("ShowModeless about", "BringToFront about"));
  EXPECT_FALSE(h.app.mainForm().visible);
  h.fp.toolkit.popupChoice = "mnuAbout";  // closes the modeless box, opens it modally
  h.app.window().Icon_MenuRequest();
  // About is the menu's default item: shown bold, taken by a double-click in the menu.
  EXPECT_THAT(h.fp.journal.With("PopupMenu"), ElementsAre(testing::EndsWith(" default mnuAbout")));
  const auto& menus = h.app.mainForm().Spec().menus;
  EXPECT_TRUE(std::any_of(menus.begin(), menus.end(), [](const MenuSpec& m) {
    return std::string(m.name) == "mnuAbout" && std::string(m.caption) == "About Tolvane";
  }));
  EXPECT_THAT(h.fp.journal.With("Unload"), ElementsAre("Unload about"));
  EXPECT_THAT(h.Modal(), ElementsAre("ShowModal about"));
  h.fp.toolkit.popupChoice = "mnuOpen";
  h.app.window().Icon_MenuRequest();
  EXPECT_TRUE(h.app.mainForm().visible);
  h.app.mainForm().Click("mnuOpen");  // not minimised: to the front
  EXPECT_EQ(h.fp.journal.entries.back(), "AppActivate " + h.app.mainForm().Caption());

  h.fp.journal.Clear();
  h.app.window().AddTrayIcon(7);
  h.app.window().TaskbarCreated();
  h.app.window().DeleteTrayIcon();
  h.app.window().TaskbarCreated();  // not after shut-down
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("NotifyIcon add", "NotifyIcon add", "NotifyIcon delete"));
  EXPECT_EQ(h.fp.notifyIcon.icon, 7u);

  h.fp.clock.now.year = 2031;
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    EXPECT_EQ(f.Text("NoticeLabel")->text, "Copyright \xA9 2024-2031 Tolvane Software\r\nAll rights reserved.");
    f.Click("WebLink");
    f.Click("OkButton");
  });
  h.app.mainForm().Click("HelpAbout");
  h.app.mainForm().Click("HelpIndex");
  EXPECT_THAT(h.fp.journal.With("S"),
              ElementsAre("ShowModal about", "ShellOpen https://www.tolvane.example/", "SendKeys {F1} nowait"));

  MainForm& f = h.app.mainForm();
  f.Click("PortOption", 3);
  EXPECT_EQ(f.Caption(), "Tolvane (Active On COM3)");
  f.PortList.listIndex = 5;
  f.Click("PortList");
  EXPECT_EQ(f.Caption(), "Tolvane (Active On COM5)");
}

// The shell refuses the icon while Explorer is still starting, just when the start-at-logon entry
// runs the program hidden: the add is tried again every 3 s until the shell takes it, and a
// window hidden that long without an icon is shown after a minute, as "Open Tolvane" shows it.
TEST(MainWindow, AnIconTheShellRefusesIsAddedLaterAndTheWindowNeverStaysUnreachable) {
  for (const bool lock : {false, true}) {
    WindowHarness h;
    MainForm& f = h.app.mainForm();
    if (lock) h.app.password() = "pw";
    h.fp.toolkit.modalScripts.push_back(Types("pw"));
    h.Minimise();
    h.fp.notifyIcon.refusing = true;
    h.app.window().AddTrayIcon(7);
    ASSERT_FALSE(f.visible);
    EXPECT_TRUE(f.IconTimer.enabled && f.IconTimer.interval == 3000);
    const auto tick = [&](int n) {
      for (int i = 0; i < n; ++i) {
        h.fp.clock.ms += 3000;
        h.app.IconTimer_Tick();
      }
    };
    tick(19);
    EXPECT_EQ(h.fp.journal.With("NotifyIcon add").size(), 20u) << "tried at each tick";
    EXPECT_FALSE(f.visible) << "hidden for 57 s";
    tick(1);
    EXPECT_TRUE(f.visible && f.windowState == kNormal) << "shown after a minute";
    EXPECT_EQ(h.Modal().size(), lock ? 1u : 0u) << "behind the password, where there is one";
    h.fp.notifyIcon.refusing = false;
    tick(1);
    EXPECT_FALSE(f.IconTimer.enabled) << "taken";
    tick(5);
    EXPECT_EQ(h.fp.journal.With("NotifyIcon add").size(), 22u) << "not tried once taken";
    h.Minimise();
    tick(40);
    EXPECT_FALSE(f.visible) << "hidden behind its icon";

    // Explorer starts again and refuses at first: tried again, and not after shut-down.
    h.fp.notifyIcon.refusing = true;
    h.app.window().TaskbarCreated();
    EXPECT_TRUE(f.IconTimer.enabled);
    h.app.window().DeleteTrayIcon();
    EXPECT_FALSE(f.IconTimer.enabled);
    h.app.IconTimer_Tick();
    h.app.window().TaskbarCreated();
    EXPECT_EQ(h.fp.journal.With("NotifyIcon add").size(), 23u);
  }
}

// Tray messages and menus reach the window while one of its dialogs is in its modal loop.
// No dialog is destroyed under its own loop; a second request brings it forward.
TEST(MainWindow, RequestsDuringAModalLoopBringTheDialogForward) {
  WindowHarness h;
  h.Minimise();
  h.app.password() = "pw";
  using Action = std::function<void()>;
  const auto whileShown = [&h](Action nested, Action show) {
    h.fp.toolkit.modalScripts.push_back([nested](Form& f) {
      const auto alive = f.Lifetime();
      nested();
      if (!alive.expired()) f.Close();
    });
    show();
  };
  MainWindow& w = h.app.window();
  whileShown([&w] { w.Icon_DoubleClick(); }, [&w] { w.mnuAbout_Click(); });
  h.fp.toolkit.popupChoice = "mnuAbout";
  whileShown([&w] { w.Icon_MenuRequest(); }, [&h] { h.app.mainForm().Click("HelpAbout"); });
  whileShown([&h] { h.Restore(); }, [&h] { h.Restore(); });
  whileShown([&h] { h.app.MSettings_Click(); }, [&h] { h.app.MSettings_Click(); });
  whileShown([&w] { w.mPassword_Click(); }, [&w] { w.mPassword_Click(); });
  EXPECT_THAT(h.fp.journal.With("BringToFront"),
              ElementsAre("BringToFront about", "BringToFront about", "BringToFront EnterPasswordDialog",
                          "BringToFront PortSetup", "BringToFront SetPasswordDialog"));
  for (const char* fault : {"destroyed under", "unloaded under", "still loaded"})
    EXPECT_THAT(h.fp.journal.With(fault), IsEmpty()) << fault;
}

// Invariants every window's table must keep, whatever its contents: tab order, controls
// inside their containers, one default and one cancel button, names the behaviour uses.
void ExpectWellFormedTable(Form& form) {
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
  for (Form* form : forms) ExpectWellFormedTable(*form);
  // Only the main window minimises (into the notification area) and has a taskbar button; no window
  // is resized, and the others are dialogs.
  for (Form* form : forms) {
    const FormSpec& f = form->Spec();
    const bool main = form == &h.app.mainForm();
    EXPECT_EQ(f.minButton, main) << f.name;
    EXPECT_EQ(f.showInTaskbar, main) << f.name;
    EXPECT_FALSE(f.maxButton) << f.name;
    EXPECT_EQ(f.border == BorderStyle::FixedDialog, !main) << f.name;
  }
  // A password never shows as it is typed: every box of both password dialogs is masked.
  for (Form* form : {static_cast<Form*>(&setPassword), static_cast<Form*>(&enterPassword)})
    for (const ControlSpec& c : form->Spec().controls)
      EXPECT_TRUE(c.kind != ControlKind::TextBox) << form->Spec().name << "." << c.name;

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
