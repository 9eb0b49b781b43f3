// Every key of default.tlv in one table: its name, kind, default and accepted values, which
// programs act on it, what it feeds when loaded and what it is saved from. Load and save walk
// the table in the orders LoadOrder() and SaveOrder() name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture/KeyTrans.h"
#include "config/LifeCycle.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

inline constexpr const char* kConfigSection = "Tolvane";

// What only a front end acts on; the application loads and saves it with the rest.
struct FrontEndSettings {
  std::string device;                 // a device path, which wins over ComPort
  std::string xkbLayout, xkbVariant;  // what uinput typing types for; empty: the system's layout
};

// Everything the file holds, at its owners.
struct ConfigTargets {
  MainForm& form;
  SerialSettings& serial;
  KeyTransTable& keyTrans;
  std::int32_t& dosTarget;
  std::string& password;
  FrontEndSettings& frontEnd;
  Program program = Program::Windows;  // the program running
  bool startMinimized = false;         // "/M" on the command line
};

enum class KeyKind {
  Integer,      // a whole number in [lo, hi]; anything else takes the default
  Text,         // kept as written
  Translation,  // KeyTrans0 .. KeyTrans255: one key per code in [lo, hi]; a missing one keeps the built-in entry
};

struct ConfigValue {
  std::int16_t number = 0;  // Integer keys
  std::string text;
};

struct ConfigKey {
  std::string name;
  KeyKind kind = KeyKind::Text;
  std::string fallback;            // the default, as the file would hold it
  std::int32_t lo = 0, hi = 0;     // the accepted numbers, or the codes of a translation
  std::optional<Program> onlyFor;  // the one program that acts on the key, when not every one
  // Feeds the control or value; setting a control runs its handlers as a user's change would.
  std::function<void(const ConfigTargets& to, int code, const ConfigValue& value)> load;
  // The text the file gets.
  std::function<std::string(const ConfigTargets& from, int code)> save;

  // A program that does not act on the key leaves its line, when the file has one, as it
  // found it, so a file never gains the keys of another program.
  bool ActedOnBy(Program program) const { return !onlyFor || *onlyFor == program; }
};

const std::vector<ConfigKey>& ConfigKeys();
// Each names every key of the table once.
const std::vector<std::string_view>& LoadOrder();
const std::vector<std::string_view>& SaveOrder();

// The start-at-logon entry is updated when saving reaches this key.
inline constexpr const char* kStartupEntryAfter = "IgnoreDups";

}  // namespace tolvane
