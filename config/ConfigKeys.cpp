#include "config/ConfigKeys.h"

#include "capture/RecordAssembly.h"
#include "serialsettings/SettingsString.h"

namespace tolvane {
namespace {

// A row of the table, built up by naming each of its values.
class Key {
 public:
  explicit Key(std::string name) { key_.name = std::move(name); }
  // Kept as written, by default empty.
  Key& Text() {
    key_.kind = KeyKind::Text;
    key_.fallback.clear();
    return *this;
  }
  // A whole number in [lo, hi], by default 0.
  Key& IntegerIn(std::int32_t lo, std::int32_t hi) {
    key_.kind = KeyKind::Integer;
    key_.lo = lo;
    key_.hi = hi;
    key_.fallback = "0";
    return *this;
  }
  Key& Default(std::string text) {
    key_.fallback = std::move(text);
    return *this;
  }
  // One key per code, the code after the name.
  Key& TranslationFor(std::int32_t firstCode, std::int32_t lastCode) {
    key_.kind = KeyKind::Translation;
    key_.lo = firstCode;
    key_.hi = lastCode;
    return *this;
  }
  Key& OnlyFor(Program program) {
    key_.onlyFor = program;
    return *this;
  }
  Key& Load(std::function<void(const ConfigTargets& to, const ConfigValue& value)> feed) {
    key_.load = [feed](const ConfigTargets& to, int, const ConfigValue& value) { feed(to, value); };
    return *this;
  }
  Key& Save(std::function<std::string(const ConfigTargets& from)> text) {
    key_.save = [text](const ConfigTargets& from, int) { return text(from); };
    return *this;
  }
  Key& LoadEach(std::function<void(const ConfigTargets& to, int code, const std::string& text)> feed) {
    key_.load = [feed](const ConfigTargets& to, int code, const ConfigValue& value) { feed(to, code, value.text); };
    return *this;
  }
  Key& SaveEach(std::function<std::string(const ConfigTargets& from, int code)> text) {
    key_.save = std::move(text);
    return *this;
  }
  operator ConfigKey() const { return key_; }

 private:
  ConfigKey key_;
};

}  // namespace

const std::vector<ConfigKey>& ConfigKeys() {
  static const std::vector<ConfigKey> keys = {
      // A port the list lacks (an adapter not plugged in) is kept as it stands, with a row of its own.
      Key("ComPort")
          .IntegerIn(-1, 255)
          .Load([](const ConfigTargets& to, const ConfigValue& v) {
            to.form.PortList.SetListIndex(to.form.RowOf(v.number));
          })
          .Save(
              [](const ConfigTargets& from) { return std::to_string(from.form.PortAt(from.form.PortList.listIndex)); }),
      Key("DOSTarget")
          .IntegerIn(0, 2)
          .Load([](const ConfigTargets& to, const ConfigValue& v) {
            to.form.chkDOSTarget.SetValue(v.number);
            to.dosTarget = v.number;
          })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.chkDOSTarget.value); }),
      Key("BeepSound")
          .IntegerIn(-1, 4)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.form.cboSound.SetListIndex(v.number); })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.cboSound.listIndex); }),
      Key("ScannerBeepString")
          .Text()
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.serial.ScannerBeepString = v.text; })
          .Save([](const ConfigTargets& from) { return from.serial.ScannerBeepString; }),
      Key("RecordEnd")
          .Text()
          .Load([](const ConfigTargets& to, const ConfigValue& v) {
            to.serial.RecordEnd = ParseRecordEnd(v.text).value_or("");
          })
          .Save([](const ConfigTargets& from) { return RecordEndText(from.serial.RecordEnd); }),
      Key("Handshake")
          .IntegerIn(0, 3)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.serial.FlowCtrlIndex = v.number; })
          .Save([](const ConfigTargets& from) { return std::to_string(from.serial.FlowCtrlIndex); }),
      Key("Beep")
          .IntegerIn(0, 2)
          .Load([](const ConfigTargets& to, const ConfigValue& v) {
            to.form.BeepOnInput.SetValue(v.number);
            if (to.form.BeepOnInput.click) to.form.BeepOnInput.click();
          })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.BeepOnInput.value); }),
      Key("AutoLoad")
          .IntegerIn(0, 2)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.form.LoadWithWindows.SetValue(v.number); })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.LoadWithWindows.value); }),
      Key("NumericFilter")
          .IntegerIn(0, 2)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.form.NumFilter.SetValue(v.number); })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.NumFilter.value); }),
      Key("IgnoreDups")
          .IntegerIn(0, 2)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.form.IgnoreDups.SetValue(v.number); })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.IgnoreDups.value); }),
      Key("RemoveReturns")
          .IntegerIn(0, 2)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.form.RemoveCRs.SetValue(v.number); })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.RemoveCRs.value); }),
      Key("Postamble")
          .Text()
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.form.TermKeyCombo.text = v.text; })
          .Save([](const ConfigTargets& from) { return from.form.TermKeyCombo.text; }),
      Key("WindowState")
          .IntegerIn(0, 2)
          .Load([](const ConfigTargets& to, const ConfigValue& v) {
            to.form.windowState = to.startMinimized ? static_cast<std::int16_t>(kMinimized) : v.number;
          })
          .Save([](const ConfigTargets& from) { return std::to_string(from.form.windowState); }),
      Key("Settings")
          .Text()
          .Default("9600,N,8,1")
          .Load([](const ConfigTargets& to, const ConfigValue& v) {
            to.serial.PortSettings = v.text;
            DerivePositions(to.serial);
          })
          .Save([](const ConfigTargets& from) { return from.serial.PortSettings; }),
      Key("Password")
          .Text()
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.password = v.text; })
          .Save([](const ConfigTargets& from) { return from.password; }),
      Key("KeyTrans")
          .TranslationFor(0, 255)
          .LoadEach([](const ConfigTargets& to, int code, const std::string& text) {
            to.keyTrans[static_cast<std::size_t>(code)] = text;
          })
          .SaveEach([](const ConfigTargets& from, int code) { return from.keyTrans[static_cast<std::size_t>(code)]; }),
      // Only the Linux program writes these. The Windows program reads Device too, for a network
      // address, and leaves the line as the file has it.
      Key("Device")
          .Text()
          .OnlyFor(Program::Linux)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.frontEnd.device = v.text; })
          .Save([](const ConfigTargets& from) { return from.frontEnd.device; }),
      Key("XkbLayout")
          .Text()
          .OnlyFor(Program::Linux)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.frontEnd.xkbLayout = v.text; })
          .Save([](const ConfigTargets& from) { return from.frontEnd.xkbLayout; }),
      Key("XkbVariant")
          .Text()
          .OnlyFor(Program::Linux)
          .Load([](const ConfigTargets& to, const ConfigValue& v) { to.frontEnd.xkbVariant = v.text; })
          .Save([](const ConfigTargets& from) { return from.frontEnd.xkbVariant; }),
  };
  return keys;
}

const std::vector<std::string_view>& LoadOrder() {
  // Device, and the line settings and flow control, before ComPort opens the saved port; Beep's
  // handler runs even for an unchanged box, so the sound list follows it.
  static const std::vector<std::string_view> order = {
      "Device",        "XkbLayout",     "XkbVariant",        "Handshake",   "DOSTarget",
      "Beep",          "BeepSound",     "ScannerBeepString", "RecordEnd",   "AutoLoad",
      "RemoveReturns", "NumericFilter", "IgnoreDups",        "Postamble",   "Settings",
      "Password",      "ComPort",       "KeyTrans",          "WindowState",
  };
  return order;
}

const std::vector<std::string_view>& SaveOrder() {
  // The Linux program's keys first: its new file starts with what its user edits first.
  static const std::vector<std::string_view> order = {
      "Device",    "XkbLayout",   "XkbVariant", "ComPort",       "DOSTarget",  "BeepSound",     "ScannerBeepString",
      "Handshake", "Beep",        "AutoLoad",   "NumericFilter", "IgnoreDups", "RemoveReturns", "Postamble",
      "RecordEnd", "WindowState", "Settings",   "Password",      "KeyTrans",
  };
  return order;
}

}  // namespace tolvane
