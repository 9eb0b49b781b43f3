// State of the main window: its caption, state and the preference controls that are
// themselves the live preferences.
#pragma once

#include <string>

#include "platform/ActiveWindow.h"
#include "ui/Controls.h"

namespace tolvane {

struct MainForm {
  WindowHandle hWnd = 0;
  std::int16_t windowState = kNormal;
  int left = 0, top = 0;  // twips, on the screen
  bool visible = true;

  ListBox Combo1;  // 0 "None", n "COMn"
  CheckBox BeepOnInput, LoadWithWindows, RemoveCRs, NumFilter, IgnoreDups, chkDOSTarget;
  ListBox cboSound;
  ListBox TermKeyCombo;  // its text is the postamble
  TextBox Display;
  TextBox Text1;
  TimerModel Timer1;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& text) {
    caption_ = text;
    if (captionChanged) captionChanged(caption_);
  }
  std::function<void(const std::string&)> captionChanged;

 private:
  std::string caption_;
};

}  // namespace tolvane
