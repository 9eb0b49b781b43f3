// The configuration file default.tlv: every preference loaded at start-up into the controls
// and shared values that own it, and written back whole at shut-down.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "config/ConfigKeys.h"
#include "platform/ProfileStore.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

// The program's folder, a backslash unless it ends in one (a drive's root), default.tlv.
std::string ConfigFilePath(const std::string& programFolder);

// "/M" anywhere in the arguments, exactly this case: start minimised.
bool HasMinimizeSwitch(const std::string& arguments);

// Setting a control runs its handlers as a user's change would (the port chooser opens the
// saved port). Values the controls cannot take fall back to the key's default.
void ApplyConfiguration(const std::string& bytes, const std::string& arguments, const ConfigTargets& to);

// Reads the file and applies it; a file that is missing or cannot be read applies as an empty
// one. A file another program holds is waited for up to patienceMs. Returns what the read found.
FileRead LoadConfiguration(ProfileStore& store, const std::string& path, const std::string& arguments,
                           const ConfigTargets& to, std::uint32_t patienceMs = 0);

// What the program holds, key by key, as the file would hold it (KeyTrans0 .. KeyTrans255 one
// by one), for the keys the running program acts on.
using ConfigValues = std::map<std::string, std::string>;
ConfigValues CurrentValues(const ConfigTargets& from);

// Edits the current file in place, so comments and unknown keys stay; updateStartupEntry
// runs between IgnoreDups and RemoveReturns. A failed write leaves the old file as it was.
// With loaded, the values as last read from the file, an existing file gets only the keys
// whose values differ from those, and is not written at all when none does; without it, every
// key is written. A file that cannot be read is never replaced: the reason is returned.
Status SaveConfiguration(ProfileStore& store, const std::string& path, const ConfigTargets& from,
                         const std::function<void()>& updateStartupEntry, const ConfigValues* loaded = nullptr);

}  // namespace tolvane
