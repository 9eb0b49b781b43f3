// The main window: its table, its caption and state, and the preference controls that are
// themselves the live preferences.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

  // The port list's rows: "None", COM1 to COM16, then the system's ports above COM16.
  void ListPorts(const std::vector<int>& systemPorts);
  // The port a row of the port list stands for: 0 for "None", -1 for no row.
  std::int16_t PortAt(std::int16_t row) const;
  // The row of a port (-1: no row); a port the list lacks gets a row of its own.
  std::int16_t RowOf(std::int16_t port);

  ListBox PortList;                    // "None", then "COMn" in number order
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
