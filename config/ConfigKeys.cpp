#include "config/ConfigKeys.h"

#include "serialsettings/SettingsString.h"

namespace tolvane {
namespace {

using T = const ConfigTargets&;
using V = const ConfigValue&;

ConfigValue Number(std::int32_t n) { return {static_cast<std::int16_t>(n), std::to_string(n)}; }
ConfigValue Text(const std::string& s) { return {0, s}; }

}  // namespace

const std::vector<ConfigKey>& ConfigKeys() {
  // Loading sets the line settings and flow control before ComPort opens the saved port, and
  // Beep's handler runs even for an unchanged box so the sound list follows it.
  static const std::vector<ConfigKey> keys = {
      {"ComPort", KeyKind::Integer, "0", -1, 16, 13, 1, [](T t, int, V v) { t.form.PortList.SetListIndex(v.number); },
       [](T t, int) { return Number(t.form.PortList.listIndex); }},
      {"DOSTarget", KeyKind::Integer, "0", 0, 2, 2, 2,
       [](T t, int, V v) {
         t.form.chkDOSTarget.SetValue(v.number);
         t.dosTarget = v.number;
       },
       [](T t, int) { return Number(t.form.chkDOSTarget.value); }},
      {"BeepSound", KeyKind::Integer, "0", -1, 4, 4, 3, [](T t, int, V v) { t.form.cboSound.SetListIndex(v.number); },
       [](T t, int) { return Number(t.form.cboSound.listIndex); }},
      {"ScannerBeepString", KeyKind::Text, "", 0, 0, 5, 4, [](T t, int, V v) { t.serial.ScannerBeepString = v.text; },
       [](T t, int) { return Text(t.serial.ScannerBeepString); }},
      {"Handshake", KeyKind::Integer, "0", 0, 3, 1, 5, [](T t, int, V v) { t.serial.FlowCtrlIndex = v.number; },
       [](T t, int) { return Number(t.serial.FlowCtrlIndex); }},
      {"Beep", KeyKind::Integer, "0", 0, 2, 3, 6,
       [](T t, int, V v) {
         t.form.BeepOnInput.SetValue(v.number);
         if (t.form.BeepOnInput.click) t.form.BeepOnInput.click();
       },
       [](T t, int) { return Number(t.form.BeepOnInput.value); }},
      {"AutoLoad", KeyKind::Integer, "0", 0, 2, 6, 7, [](T t, int, V v) { t.form.LoadWithWindows.SetValue(v.number); },
       [](T t, int) { return Number(t.form.LoadWithWindows.value); }},
      {"NumericFilter", KeyKind::Integer, "0", 0, 2, 8, 8, [](T t, int, V v) { t.form.NumFilter.SetValue(v.number); },
       [](T t, int) { return Number(t.form.NumFilter.value); }},
      {"IgnoreDups", KeyKind::Integer, "0", 0, 2, 9, 9, [](T t, int, V v) { t.form.IgnoreDups.SetValue(v.number); },
       [](T t, int) { return Number(t.form.IgnoreDups.value); }},
      {"RemoveReturns", KeyKind::Integer, "0", 0, 2, 7, 10, [](T t, int, V v) { t.form.RemoveCRs.SetValue(v.number); },
       [](T t, int) { return Number(t.form.RemoveCRs.value); }},
      {"Postamble", KeyKind::Text, "", 0, 0, 10, 11, [](T t, int, V v) { t.form.TermKeyCombo.text = v.text; },
       [](T t, int) { return Text(t.form.TermKeyCombo.text); }},
      {"WindowState", KeyKind::Integer, "0", 0, 2, 15, 12,
       [](T t, int, V v) { t.form.windowState = t.startMinimized ? static_cast<std::int16_t>(kMinimized) : v.number; },
       [](T t, int) { return Number(t.form.windowState); }},
      {"Settings", KeyKind::Text, "9600,N,8,1", 0, 0, 11, 13,
       [](T t, int, V v) {
         t.serial.PortSettings = v.text;
         DerivePositions(t.serial);
       },
       [](T t, int) { return Text(t.serial.PortSettings); }},
      {"Password", KeyKind::Text, "", 0, 0, 12, 14, [](T t, int, V v) { t.password = v.text; },
       [](T t, int) { return Text(t.password); }},
      {"KeyTrans", KeyKind::Translation, "", 0, 255, 14, 15,
       [](T t, int i, V v) { t.keyTrans[static_cast<std::size_t>(i)] = v.text; },
       [](T t, int i) { return Text(t.keyTrans[static_cast<std::size_t>(i)]); }},
  };
  return keys;
}

}  // namespace tolvane
