#include "ui/MainWindow.h"

#include "ui/PasswordForms.h"

namespace tolvane {

MainWindow::MainWindow(const Platform& platform, MainForm& form, std::string& password)
    : platform_(platform), form_(form), password_(password) {}

// Raised again by the changes it makes itself; those nested calls return at once.
void MainWindow::Form_Resize() {
  if (InResize) return;
  InResize = true;
  if (MainMinimized && form_.windowState != kMinimized) {
    if (password_.empty()) {
      MainMinimized = false;
      InResize = false;
      return;
    }
    form_.SetVisible(false);
    EnteredPassword.clear();
    EnterPasswordDialog dialog(EnteredPassword);
    dialog.Form_Load(platform_.toolkit.Screen());
    enterPasswordSlot_.Show(platform_.toolkit, dialog);
    if (EnteredPassword != password_) {
      if (!EnteredPassword.empty()) platform_.messageBox.Show(kInvalidPassword);
      form_.SetWindowState(kMinimized);
    } else {
      form_.SetWindowState(kNormal);
    }
    form_.SetVisible(true);
  }
  MainMinimized = false;
  InResize = false;
  if (form_.windowState == kMinimized) {
    form_.SetVisible(false);  // only the icon remains
    MainMinimized = true;
  }
}

void MainWindow::Icon_DoubleClick() {
  if (form_.windowState != kMinimized) return;
  if (about && about->loaded) return platform_.toolkit.BringToFront(*about);
  UnloadAbout();
  about = NewAbout();
  platform_.toolkit.ShowModeless(*about);
}

void MainWindow::Icon_MenuRequest() {
  if (form_.windowState != kMinimized) return;
  std::vector<MenuSpec> items;
  for (const auto& m : form_.Spec().menus)
    if (m.parent && std::string(m.parent) == "mnuPopup") items.push_back(m);
  const std::string choice = platform_.toolkit.TrackPopupMenu(items, "mnuAbout");
  if (choice == "mnuOpen")
    mnuOpen_Click();
  else if (choice == "mnuAbout")
    mnuAbout_Click();
}

void MainWindow::mnuOpen_Click() {
  if (enterPasswordSlot_.Busy()) return platform_.toolkit.BringToFront(*enterPasswordSlot_.Shown());
  if (form_.windowState != kMinimized) {
    platform_.toolkit.AppActivate(form_.Caption());
    return;
  }
  form_.SetVisible(true);
  form_.SetWindowState(kNormal);  // the resize runs the password check
}

void MainWindow::mnuAbout_Click() {
  if (aboutSlot_.Busy()) return platform_.toolkit.BringToFront(*aboutSlot_.Shown());
  UnloadAbout();  // a modeless one from the icon goes; this one is modal
  about = NewAbout();
  aboutSlot_.Show(platform_.toolkit, *about);
  about.reset();
}

// F1 goes to whichever window is active; the help viewer reports its own failures.
void MainWindow::HelpIndex_Click() { static_cast<void>(platform_.sendKeys.Send("{F1}", false)); }

void MainWindow::mPassword_Click() {
  if (setPasswordSlot_.Busy()) return platform_.toolkit.BringToFront(*setPasswordSlot_.Shown());
  SetPasswordDialog dialog(password_, platform_.messageBox);
  dialog.Form_Load(platform_.toolkit.Screen());
  setPasswordSlot_.Show(platform_.toolkit, dialog);
}

void MainWindow::ShowSplash() {
  about = NewAbout();
  about->MakeSplash();
  platform_.toolkit.ShowModeless(*about);
  platform_.toolkit.Refresh(*about);
}

void MainWindow::UnloadSplash() { UnloadAbout(); }

void MainWindow::AddTrayIcon(IconHandle icon) {
  icon_ = icon;
  iconWanted_ = true;
  TryTrayIcon();
}

void MainWindow::IconTimer_Tick() {
  if (iconWanted_ && !iconShown_) TryTrayIcon();
}

void MainWindow::TryTrayIcon() {
  iconShown_ = platform_.notifyIcon.Add(form_.hWnd, icon_);
  if (form_.IconTimer.enabled == iconShown_) form_.IconTimer.SetEnabled(!iconShown_);
  const std::uint64_t now = platform_.clock.Milliseconds();
  if (iconShown_ || form_.visible) {
    unreachableSince_.reset();
  } else if (!unreachableSince_) {
    unreachableSince_ = now;
  } else if (now - *unreachableSince_ >= 60000) {
    unreachableSince_.reset();
    mnuOpen_Click();  // as "Open Tolvane" would, password and all
  }
}

void MainWindow::DeleteTrayIcon() {
  platform_.notifyIcon.Delete();
  iconWanted_ = iconShown_ = false;
  if (form_.IconTimer.enabled) form_.IconTimer.SetEnabled(false);
}

std::string NotTypedText(const std::string& record) {
  constexpr std::size_t kShown = 160;  // the balloon holds 255 characters in all
  std::string shown = record.substr(0, kShown);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  if (record.size() > kShown) shown += "...";
  return "This scan was not typed: the workstation may be locked, or the window in front does not accept "
         "typed keys.\r\n" +
         shown;
}

void MainWindow::TellNotTyped(const std::string& record) {
  const std::uint64_t now = platform_.clock.Milliseconds();
  if (balloonShown_ && now - lastBalloon_ < 1000) return;
  balloonShown_ = true;
  lastBalloon_ = now;
  platform_.notifyIcon.Balloon("Tolvane", NotTypedText(record));
}

void MainWindow::TaskbarCreated() {
  if (iconWanted_) TryTrayIcon();
}

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
