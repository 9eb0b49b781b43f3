// Live state of the window controls the core reads at the moment it needs them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvane {

// Three-state check box: 0 unchecked, 1 checked, 2 greyed (only from a hand-edited file).
struct CheckBox {
  std::int16_t value = 0;
  bool enabled = true;
  std::function<void()> click;

  // Setting from code raises the click handler like a user's click, but only on a change.
  void SetValue(std::int16_t v) {
    if (v == value) return;
    value = v;
    if (click) click();
  }
  bool Checked() const { return value != 0; }
};

// Drop-down list or combo box; listIndex -1 is no selection.
struct ListBox {
  std::vector<std::string> items;
  std::int16_t listIndex = -1;
  std::string text;  // the edit text of an editable combo box
  bool enabled = true;
  std::function<void()> click;

  // Choosing a row from code raises the click handler on a change; -1 raises nothing.
  void SetListIndex(std::int16_t i) {
    if (i == listIndex) return;
    listIndex = i;
    if (i != -1 && click) click();
  }
};

struct TextBox {
  std::string text;
};

struct TimerModel {
  std::int32_t interval = 50;
  bool enabled = true;
  std::function<void()> changed;  // lets the window toolkit follow at once

  void Set(std::int32_t newInterval, bool newEnabled) {
    interval = newInterval;
    enabled = newEnabled;
    if (changed) changed();
  }
  void SetEnabled(bool on) { Set(interval, on); }
};

enum WindowStateValue : std::int16_t { kNormal = 0, kMinimized = 1, kMaximized = 2 };

}  // namespace tolvane
