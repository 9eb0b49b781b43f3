#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/Harness.h"
#include "ui/PasswordForms.h"

#include <functional>

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
const fake::Toolkit::Script kCancels = [](Form& f) { f.Click("CancelButton"); };

struct WindowHarness : Harness {
  WindowHarness() {
    app.mainForm().visible = true;
    fp.journal.Clear();
  }
  void Minimise() { app.mainForm().SetWindowState(kMinimized); }
  void Restore() { app.window().mnuOpen_Click(); }
};

TEST(MainWindow, MinimisingHidesTheWindowBehindTheIcon) {
  WindowHarness h;
  h.Minimise();
  EXPECT_FALSE(h.app.mainForm().visible);
  EXPECT_TRUE(h.app.window().MainMinimized);
  h.Restore();  // no password: back without a question
  EXPECT_TRUE(h.app.mainForm().visible);
  EXPECT_EQ(h.app.mainForm().windowState, kNormal);
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
    h.app.password() = "Secret";
    h.Minimise();
    if (c.user) h.fp.toolkit.modalScripts.push_back(c.user);
    h.Restore();
    EXPECT_THAT(h.fp.journal.With("ShowModal"), ElementsAre("ShowModal EnterPasswordDialog")) << c.name;
    EXPECT_EQ(h.fp.journal.With("MessageBox"), c.messages) << c.name;
    EXPECT_EQ(h.app.mainForm().visible, c.restored) << c.name;
    EXPECT_EQ(h.app.mainForm().windowState, c.restored ? kNormal : kMinimized) << c.name;
    EXPECT_FALSE(h.app.window().InResize) << c.name;
    EXPECT_THAT(h.fp.journal.With("still loaded"), IsEmpty());
  }
}

TEST(MainWindow, PasswordIsAskedWhateverTheTimerDoes) {
  WindowHarness h;
  h.app.password() = "pw";
  h.fp.serial.FailWith("PortOpen", "The port does not exist.");
  h.app.PortList_Click(9);  // a failed open stops the tick
  ASSERT_FALSE(h.app.mainForm().TickTimer.enabled);
  h.Minimise();
  EXPECT_THAT(h.fp.journal.With("ShowModal"), IsEmpty()) << "minimising never asks";
  h.Restore();
  EXPECT_THAT(h.fp.journal.With("ShowModal"), ElementsAre("ShowModal EnterPasswordDialog"));
  EXPECT_FALSE(h.app.mainForm().visible) << "closed without the password: back to the icon";

  // The system's own restore (the window's menu) arrives as a state change.
  h.fp.journal.Clear();
  h.fp.toolkit.modalScripts.push_back(Types("pw"));
  h.app.mainForm().windowState = kNormal;
  h.app.window().Form_Resize();
  EXPECT_THAT(h.fp.journal.With("ShowModal"), ElementsAre("ShowModal EnterPasswordDialog"));
  EXPECT_TRUE(h.app.mainForm().visible);

  // A start straight into the notification area is locked too.
  WindowHarness started;
  started.app.password() = "pw";
  started.app.mainForm().windowState = kMinimized;
  started.app.window().Form_Resize();
  started.Restore();
  EXPECT_THAT(started.fp.journal.With("ShowModal"), ElementsAre("ShowModal EnterPasswordDialog"));
}

TEST(MainWindow, ResizeGuardStopsNestedResizes) {
  WindowHarness h;
  h.app.window().InResize = true;
  h.app.mainForm().SetWindowState(kMinimized);
  EXPECT_TRUE(h.app.mainForm().visible) << "a nested resize returns at once";
  h.app.window().InResize = false;
}

TEST(MainWindow, SetPasswordDialog) {
  WindowHarness h;
  h.app.password() = "old";
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    EXPECT_EQ(f.Text("PasswordBox")->text, "old");
    EXPECT_EQ(f.Text("ConfirmBox")->text, "old");
    EXPECT_EQ(f.left, 19200 / 2 - 3120 / 2);
    f.Text("PasswordBox")->text = "New";
    f.Text("ConfirmBox")->text = "new";  // differs in case only: a mismatch
    f.Click("OkButton");
    EXPECT_TRUE(f.loaded) << "the dialog stays";
    EXPECT_EQ(f.Text("ConfirmBox")->text, "new");
    f.Text("ConfirmBox")->text = "New";
    f.Click("OkButton");
  });
  h.app.mainForm().Click("mPassword");
  EXPECT_EQ(h.app.password(), "New");
  EXPECT_THAT(h.fp.journal.With("MessageBox"), ElementsAre(std::string("MessageBox ") + kPasswordMismatch));

  h.fp.toolkit.modalScripts.push_back([](Form& f) { f.Click("OkButton"); });  // OK at once keeps it
  h.app.mainForm().Click("mPassword");
  EXPECT_EQ(h.app.password(), "New");
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    f.Text("PasswordBox")->text = "";
    f.Text("ConfirmBox")->text = "";
    f.Click("OkButton");
  });
  h.app.mainForm().Click("mPassword");
  EXPECT_EQ(h.app.password(), "") << "an empty pair removes the lock";
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    f.Text("PasswordBox")->text = "x";
    f.Click("CancelButton");
  });
  h.app.mainForm().Click("mPassword");
  EXPECT_EQ(h.app.password(), "");
}

TEST(MainWindow, IconMessagesActOnlyWhileMinimised) {
  WindowHarness h;
  h.app.window().Icon_DoubleClick();
  h.app.window().Icon_MenuRequest();
  EXPECT_THAT(h.fp.journal.entries, IsEmpty());

  h.app.mainForm().SetWindowState(kMinimized);
  h.app.window().Icon_DoubleClick();
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("ShowModeless about"));
  EXPECT_FALSE(h.app.mainForm().visible) << "the window stays hidden";

  h.app.window().Icon_DoubleClick();  // already up: brought forward, not made again
  EXPECT_EQ(h.fp.journal.entries.back(), "BringToFront about");

  // About from the pop-up menu closes the modeless box and opens it modally.
  h.fp.journal.Clear();
  h.fp.toolkit.popupChoice = "mnuAbout";
  h.app.window().Icon_MenuRequest();
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("PopupMenu mnuOpen mnuAbout default mnuAbout", "Unload about",
                                                "ShowModal about"));
  h.fp.journal.Clear();
  h.fp.toolkit.popupChoice = "mnuOpen";
  h.app.window().Icon_MenuRequest();
  EXPECT_TRUE(h.app.mainForm().visible);
  EXPECT_EQ(h.app.mainForm().windowState, kNormal);
  h.app.mainForm().Click("mnuOpen");  // not minimised: brings the window to the front
  EXPECT_EQ(h.fp.journal.entries.back(), "AppActivate " + h.app.mainForm().Caption());
}

// Tray messages, menus and dialogs reach the window while one of its dialogs is in its modal
// loop. No dialog is destroyed under its own loop; a second request brings it forward.
TEST(MainWindow, RequestsDuringAModalLoopBringTheDialogForward) {
  WindowHarness h;
  h.Minimise();
  const auto whileShown = [&h](std::function<void()> nested) {
    h.fp.toolkit.modalScripts.push_back([nested](Form& f) {
      const auto alive = f.Lifetime();
      nested();
      if (!alive.expired()) f.Click(f.Spec().name == std::string("about") ? "OkButton" : "CancelButton");
    });
  };
  whileShown([&h] { h.app.window().Icon_DoubleClick(); });
  h.app.window().mnuAbout_Click();
  whileShown([&h] {
    h.fp.toolkit.popupChoice = "mnuAbout";
    h.app.window().Icon_MenuRequest();
  });
  h.app.mainForm().Click("HelpAbout");
  EXPECT_THAT(h.fp.journal.With("BringToFront"), ElementsAre("BringToFront about", "BringToFront about"));
  EXPECT_THAT(h.fp.journal.With("ShowModal"), ElementsAre("ShowModal about", "ShowModal about"));

  // "Open Tolvane" again while the password is being asked.
  h.fp.journal.Clear();
  h.app.password() = "pw";
  whileShown([&h] { h.app.window().mnuOpen_Click(); });
  h.Restore();
  EXPECT_THAT(h.fp.journal.With("BringToFront"), ElementsAre("BringToFront EnterPasswordDialog"));

  // The settings dialog and the set-password dialog asked for twice.
  h.fp.journal.Clear();
  h.fp.toolkit.modalScripts.push_back([&h](Form& f) {
    h.app.MSettings_Click();
    f.Click("Cancel_Button");
  });
  h.app.MSettings_Click();
  whileShown([&h] { h.app.window().mPassword_Click(); });
  h.app.window().mPassword_Click();
  EXPECT_THAT(h.fp.journal.With("BringToFront"), ElementsAre("BringToFront PortSetup", "BringToFront SetPasswordDialog"));

  for (const char* fault : {"destroyed under", "unloaded under", "still loaded"})
    EXPECT_THAT(h.fp.journal.With(fault), IsEmpty()) << fault;
  EXPECT_EQ(h.fp.toolkit.ModalDepth(), 0);
}

TEST(MainWindow, IconComesBackWhenTheTaskbarIsRecreated) {
  WindowHarness h;
  h.app.window().TaskbarCreated();
  EXPECT_THAT(h.fp.journal.entries, IsEmpty()) << "no icon yet";
  h.app.window().AddTrayIcon(7);
  h.app.window().TaskbarCreated();
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("NotifyIcon add", "NotifyIcon add"));
  EXPECT_EQ(h.fp.notifyIcon.icon, 7u);
  h.app.window().DeleteTrayIcon();
  h.app.window().TaskbarCreated();
  EXPECT_EQ(h.fp.journal.entries.back(), "NotifyIcon delete") << "not after shut-down";
}

TEST(MainWindow, AboutBoxNoticeLinkAndHelp) {
  WindowHarness h;
  h.fp.clock.now.year = 2031;
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    EXPECT_EQ(f.caption, "About Tolvane");
    EXPECT_EQ(f.Text("NoticeLabel")->text, "Copyright \xA9 2024-2031 Tolvane Software\r\nAll rights reserved.");
    f.Click("WebLink");
    f.Click("OkButton");
  });
  h.app.mainForm().Click("HelpAbout");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("ShowModal about", "MousePointer hourglass",
                                                "ShellOpen https://www.tolvane.example/", "MousePointer default"));
  h.fp.journal.Clear();
  h.app.mainForm().Click("HelpIndex");
  EXPECT_THAT(h.fp.journal.entries, ElementsAre("SendKeys {F1} nowait"));
}

TEST(MainWindow, PreferenceHandlers) {
  WindowHarness h;
  h.app.mainForm().BeepOnInput.SetValue(1);
  EXPECT_TRUE(h.app.mainForm().cboSound.enabled);
  h.app.mainForm().BeepOnInput.SetValue(0);
  EXPECT_FALSE(h.app.mainForm().cboSound.enabled);
  h.app.mainForm().chkDOSTarget.SetValue(1);
  EXPECT_EQ(h.app.dosTarget(), 1);
  h.app.mainForm().Click("PortOption", 3);
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM3)");
  h.app.mainForm().PortList.listIndex = 5;
  h.app.mainForm().Click("PortList");
  EXPECT_EQ(h.app.mainForm().Caption(), "Tolvane (Active On COM5)");
  h.fp.toolkit.modalScripts.push_back([](Form& f) {
    f.List("FlowCtrlCombo")->listIndex = 2;
    f.Click("OK_Button");
  });
  h.app.mainForm().Click("MSettings");
  EXPECT_EQ(h.app.serialSettings().FlowCtrlIndex, 2);
}

}  // namespace
}  // namespace tolvane::test
