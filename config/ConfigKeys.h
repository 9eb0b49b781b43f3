// Every key of default.tlv in one table: its name, default, accepted range, what it feeds,
// and its place when the file is loaded and when it is saved. Load and save walk this table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/KeyTrans.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

inline constexpr const char* kConfigSection = "Tolvane";

// Everything the file holds, at its owners.
struct ConfigTargets {
  MainForm& form;
  SerialSettings& serial;
  KeyTransTable& keyTrans;
  std::int32_t& dosTarget;
  std::string& password;
  bool startMinimized = false;  // "/M" on the command line
};

enum class KeyKind {
  Integer,      // a whole number in [lo, hi]; anything else takes the default
  Text,         // kept as written
  Translation,  // KeyTrans0 .. KeyTrans255; the default is the built-in entry
};

struct ConfigValue {
  std::int16_t number = 0;
  std::string text;
};

struct ConfigKey {
  const char* name;
  KeyKind kind;
  const char* fallback;
  std::int32_t lo, hi;
  int loadOrder, saveOrder;
  // Feeds the control or value; setting a control runs its handlers as a user's change would.
  void (*load)(const ConfigTargets&, int index, const ConfigValue&);
  ConfigValue (*save)(const ConfigTargets&, int index);
};

const std::vector<ConfigKey>& ConfigKeys();

// The start-at-logon entry is updated when saving reaches this key.
inline constexpr const char* kStartupEntryAfter = "IgnoreDups";

}  // namespace tolvane
