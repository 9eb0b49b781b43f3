#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Harness.h"
#include "ui/PasswordForms.h"

namespace tolvane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A user at the enter-password dialog.
fake::Toolkit::Script Types(const std::string& text) {
  return [text](Form& f) {
    f.Text("Text1")->text = text;
    f.Click("Command1");
  };
}
const fake::Toolkit::Script kCancels = [](Form& f) { f.Click("Command2"); };

struct WindowHarness : Harness {
  WindowHarness() {
    app.mainForm.visible = true;
    fp.journal.Clear();
  }
  // Minimised long enough for a tick to notice.
  void Minimise() {
    app.mainForm.SetWindowState(kMinimized);
    app.Timer1_Tick();
  }
  void Restore() { app.window.mnuOpen_Click(); }
};

TEST(MainWindow, MinimisingHidesTheWindowBehindTheIcon) {
  WindowHarness h;
  h.Minimise();
  EXPECT_FALSE(h.app.mainForm.visible);
  EXPECT_TRUE(h.app.assembly.state.MainMinimized);
  h.Restore();  // no password: back without a question
  EXPECT_TRUE(h.app.mainForm.visible);
  EXPECT_EQ(h.app.mainForm.windowState, kNormal);
  EXPECT_THAT(h.fp.journal.With("ShowModal"), IsEmpty());
}

TEST(MainWindow, RestoreAsksForThePassword) {
  const struct {
    const char* name;
    fake::Toolkit::Script user;
    bool restored;
    std::vector<std::string> messages;
  } cases[] = {
      {"right", Types("Secret"), true, {}},
      {"wrong", Types("secret"), false, {"MessageBox Invalid password"}},
      {"empty", Types(""), false, {}},
      {"cancel", kCancels, false, {}},
      {"closed", nullptr, false, {}},
  };
  for (const auto& c : cases) {
    WindowHarness h;
    h.app.Password = "Secret";
    h.Minimise();
    if (c.user) h.fp.toolkit.modalScripts.push_back(c.user);
    h.Restore();
    EXPECT_THAT(h.fp.journal.With("ShowModal"), ElementsAre("ShowModal Form2")) << c.name;
    EXPECT_EQ(h.fp.journal.With("MessageBox"), c.messages) << c.name;
    EXPECT_EQ(h.app.mainForm.visible, c.restored) << c.name;
    EXPECT_EQ(h.app.mainForm.windowState, c.restored ? kNormal : kMinimized) << c.name;
    EXPECT_FALSE(h.app.window.InResize) << c.name;
    EXPECT_THAT(h.fp.journal.With("still loaded"), IsEmpty());
  }
}

TEST(MainWindow, PasswordIsAskedOnlyAfterATickSawTheWindowMinimised) {
  WindowHarness h;
  h.app.Password = "pw";
  h.app.mainForm.SetWindowState(kMinimized);  // no tick yet (or the timer stopped)
  h.Restore();
  EXPECT_THAT(h.fp.journal.With("ShowModal"), IsEmpty());
  EXPECT_TRUE(h.app.mainForm.visible);
  h.Minimise();
  EXPECT_THAT(h.fp.journal.With("ShowModal"), IsEmpty()) << "minimising never asks";
}

TEST(MainWindow, ResizeGuardStopsNestedResizes) {
  WindowHarness h;
  h.app.window.InResize = true;
  h.app.mainForm.SetWindowState(kMinimized);
  EXPECT_TRUE(h.app.mainForm.visible) << "a nested resize returns at once";
  h.app.window.InResize = false;
}

TEST(MainWindow, SetPasswordDialog) {
  WindowHarness h;
  h.app.Password = "old";
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    EXPECT_EQ(f.Text("Text1")->text, "old");
    EXPECT_EQ(f.Text("Text2")->text, "old");
    EXPECT_EQ(f.left, 19200 / 2 - 3120 / 2);
    f.Text("Text1")->text = "New";
    f.Text("Text2")->text = "new";  // differs in case only: a mismatch
    f.Click("Command1");
    EXPECT_TRUE(f.loaded) << "the dialog stays";
    EXPECT_EQ(f.Text("Text2")->text, "new");
    f.Text("Text2")->text = "New";
    f.Click("Command1");
  });
  h.app.mainForm.Click("mPassword");
  EXPECT_EQ(h.app.Password, "New");
  EXPECT_THAT(h.fp.journal.With("MessageBox"), ElementsAre(std::string("MessageBox ") + kPasswordMismatch));

  h.fp.toolkit.modalScripts.push_back([](Form& f) { f.Click("Command1"); });  // OK at once keeps it
  h.app.mainForm.Click("mPassword");
  EXPECT_EQ(h.app.Password, "New");
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    f.Text("Text1")->text = "";
    f.Text("Text2")->text = "";
    f.Click("Command1");
  });
  h.app.mainForm.Click("mPassword");
  EXPECT_EQ(h.app.Password, "") << "an empty pair removes the lock";
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    f.Text("Text1")->text = "x";
    f.Click("Command2");
  });
  h.app.mainForm.Click("mPassword");
  EXPECT_EQ(h.app.Password, "");
}

TEST(MainWindow, IconMessagesActOnlyWhileMinimised) {
  WindowHarness h;
  h.app.window.TrayMessage(kIconDoubleClick);
  h.app.window.TrayMessage(kIconRightUp);
  EXPECT_THAT(h.fp.journal.entries, IsEmpty());

  h.app.mainForm.SetWindowState(kMinimized);
  h.app.window.Form_MouseMove(515 * 15.0, 15.0);
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("ShowModeless about"));
  EXPECT_FALSE(h.app.mainForm.visible) << "the window stays hidden";
  for (int other : {512, 513, 514, 516, 518, 519}) h.app.window.TrayMessage(other);
  EXPECT_EQ(h.fp.journal.entries.size(), 1u);

  // About from the pop-up menu closes the modeless box and opens it modally.
  h.fp.toolkit.popupChoice = "mnuAbout";
  h.app.window.TrayMessage(kIconRightUp);
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("ShowModeless about", "PopupMenu mnuOpen mnuAbout default mnuAbout",
                                                "Unload about", "ShowModal about"));
  h.fp.journal.Clear();
  h.fp.toolkit.popupChoice = "mnuOpen";
  h.app.window.TrayMessage(kIconRightUp);
  EXPECT_TRUE(h.app.mainForm.visible);
  EXPECT_EQ(h.app.mainForm.windowState, kNormal);
  h.app.mainForm.Click("mnuOpen");  // not minimised: brings the window to the front
  EXPECT_EQ(h.fp.journal.entries.back(), "AppActivate " + h.app.mainForm.Caption());
}

TEST(MainWindow, AboutBoxNoticeLinkAndHelp) {
  WindowHarness h;
  h.fp.clock.now.year = 2031;
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    EXPECT_EQ(f.caption, "About Tolvane");
    EXPECT_EQ(f.Text("Label2")->text, "Copyright \xA9 2024-2031 Tolvane Software\r\nAll rights reserved.");
    f.Click("Label5");
    f.Click("OkButton");
  });
  h.app.mainForm.Click("HelpAbout");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("ShowModal about", "MousePointer hourglass",
                                                "ShellOpen https://www.tolvane.example/", "MousePointer default"));
  h.fp.journal.Clear();
  h.app.mainForm.Click("HelpIndex");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("SendKeys {F1} nowait"));
}

TEST(MainWindow, PreferenceHandlers) {
  WindowHarness h;
  h.app.mainForm.BeepOnInput.SetValue(1);
  EXPECT_TRUE(h.app.mainForm.cboSound.enabled);
  h.app.mainForm.BeepOnInput.SetValue(0);
  EXPECT_FALSE(h.app.mainForm.cboSound.enabled);
  h.app.mainForm.chkDOSTarget.SetValue(1);
  EXPECT_EQ(h.app.DOSTarget, 1);
  h.app.mainForm.Click("Option1", 3);
  EXPECT_EQ(h.app.mainForm.Caption(), "Tolvane (Active On COM3)");
  h.app.mainForm.Combo1.listIndex = 5;
  h.app.mainForm.Click("Combo1");
  EXPECT_EQ(h.app.mainForm.Caption(), "Tolvane (Active On COM5)");
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    f.List("FlowCtrlCombo")->listIndex = 2;
    f.Click("OK_Button");
  });
  h.app.mainForm.Click("MSettings");
  EXPECT_EQ(h.app.serialSettings.FlowCtrlIndex, 2);
}

}  // namespace
}  // namespace tolvane::test
