#include "ui/MainWindow.h"

#include <cmath>

#include "ui/PasswordForms.h"

namespace tolvane {

MainWindow::MainWindow(const Platform& platform, MainForm& form, std::string& password, bool& mainMinimized)
    : platform_(platform), form_(form), password_(password), mainMinimized_(mainMinimized) {}

// Raised again by the changes it makes itself; those nested calls return at once.
void MainWindow::Form_Resize() {
  if (InResize) return;
  InResize = true;
  if (mainMinimized_) {
    if (password_.empty()) {
      InResize = false;
      return;
    }
    form_.SetVisible(false);
    EnteredPassword.clear();
    Form2 dialog(EnteredPassword);
    dialog.Form_Load(platform_.toolkit.Screen());
    platform_.toolkit.ShowModal(dialog);
    if (EnteredPassword != password_) {
      if (!EnteredPassword.empty()) platform_.messageBox.Show(kInvalidPassword);
      mainMinimized_ = false;
      form_.SetWindowState(kMinimized);
    } else {
      form_.SetWindowState(kNormal);
    }
    form_.SetVisible(true);
  }
  mainMinimized_ = false;
  InResize = false;
  if (form_.windowState == kMinimized) form_.SetVisible(false);  // only the icon remains
}

void MainWindow::Form_MouseMove(double xTwips, double twipsPerPixel) {
  if (form_.windowState != kMinimized) return;
  TrayMessage(static_cast<int>(std::lround(xTwips / twipsPerPixel)));
}

void MainWindow::TrayMessage(int message) {
  if (form_.windowState != kMinimized) return;  // ordinary mouse movement over the window
  if (message == kIconDoubleClick) {
    UnloadAbout();
    about = NewAbout();
    platform_.toolkit.ShowModeless(*about);
  } else if (message == kIconRightUp) {
    std::vector<MenuSpec> items;
    for (const auto& m : form_.Spec().menus)
      if (m.parent && std::string(m.parent) == "mnuPopup") items.push_back(m);
    const std::string choice = platform_.toolkit.TrackPopupMenu(items, "mnuAbout");
    if (choice == "mnuOpen") mnuOpen_Click();
    else if (choice == "mnuAbout") mnuAbout_Click();
  }
}

void MainWindow::mnuOpen_Click() {
  if (form_.windowState != kMinimized) {
    platform_.toolkit.AppActivate(form_.Caption());
    return;
  }
  form_.SetVisible(true);
  form_.SetWindowState(kNormal);  // the resize runs the password check
}

void MainWindow::mnuAbout_Click() {
  UnloadAbout();
  about = NewAbout();
  platform_.toolkit.ShowModal(*about);
  about.reset();
}

void MainWindow::HelpIndex_Click() { platform_.sendKeys.Send("{F1}", false); }

void MainWindow::mPassword_Click() {
  Form1 dialog(password_, platform_.messageBox);
  dialog.Form_Load(platform_.toolkit.Screen());
  platform_.toolkit.ShowModal(dialog);
}

void MainWindow::ShowSplash() {
  about = NewAbout();
  about->MakeSplash();
  platform_.toolkit.ShowModeless(*about);
  platform_.toolkit.Refresh(*about);
}

void MainWindow::UnloadSplash() { UnloadAbout(); }

void MainWindow::AddTrayIcon(IconHandle icon) {
  trayIcon = MakeTrayIconRecord(form_.hWnd, icon);
  platform_.notifyIcon.Notify(NotifyIcon::kAdd, trayIcon);
}

void MainWindow::DeleteTrayIcon() { platform_.notifyIcon.Notify(NotifyIcon::kDelete, trayIcon); }

void MainWindow::UnloadAbout() {
  if (!about) return;
  about->loaded = false;
  platform_.toolkit.Unload(*about);
  about.reset();
}

std::unique_ptr<About> MainWindow::NewAbout() {
  auto box = std::make_unique<About>(platform_.clock, platform_.shell, platform_.toolkit);
  box->Form_Load();
  return box;
}

}  // namespace tolvane
