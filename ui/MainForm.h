// The main window: its table, its caption and state, and the preference controls that are
// themselves the live preferences.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "platform/ActiveWindow.h"
#include "ui/Controls.h"
#include "ui/Form.h"

namespace tolvane {

const FormSpec& MainFormSpec();

class MainForm : public Form {
 public:
  MainForm();
  const FormSpec& Spec() const override { return MainFormSpec(); }
  CheckBox* Check(std::string_view name) override;
  ListBox* List(std::string_view name) override;
  TextBox* Text(std::string_view name) override;
  void Click(std::string_view name, int index = -1) override {
    if (onClick) onClick(name, index);
  }
  void Close() override {
    if (onClose) onClose();
  }

  const std::string& Caption() const { return caption; }
  void SetCaption(const std::string& text) {
    caption = text;
    if (captionChanged) captionChanged(caption);
  }
  // A change of state raises the resize handler, as the window's own would.
  void SetWindowState(std::int16_t state) {
    if (state == windowState) return;
    windowState = state;
    if (stateChanged) stateChanged();
    if (resize) resize();
  }
  void SetVisible(bool on) {
    visible = on;
    if (stateChanged) stateChanged();
  }

  WindowHandle hWnd = 0;
  std::int16_t windowState = kNormal;
  bool visible = false;  // shown at the end of start-up

  ListBox PortList;                    // 0 "None", n "COMn"
  std::array<CheckBox, 7> PortOption;  // the hidden older chooser
  CheckBox BeepOnInput, LoadWithWindows, RemoveCRs, NumFilter, IgnoreDups, chkDOSTarget;
  ListBox cboSound;
  ListBox TermKeyCombo;  // its text is the postamble
  TextBox Display;
  TextBox ReturnGlyph;
  TimerModel TickTimer;
  TimerModel RetryTimer{1000, false, nullptr};  // reopens a port whose device went away
  TimerModel IconTimer{3000, false, nullptr};   // adds a notification icon the shell refused

  // Wired by the application and the window layer.
  std::function<void(std::string_view, int)> onClick;
  std::function<void()> onClose;
  std::function<void()> resize;
  std::function<void()> stateChanged;  // the window layer follows state and visibility
  std::function<void(const std::string&)> captionChanged;
};

}  // namespace tolvane
