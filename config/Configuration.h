// The configuration file default.tlv: every preference loaded at start-up into the controls
// and shared values that own it, and written back whole at shut-down.
#pragma once

#include <cstdint>
#include <functional>
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
void LoadConfiguration(ProfileStore& store, const std::string& path, const std::string& arguments,
                       const ConfigTargets& to);

// Edits the current file in place, so comments and unknown keys stay; updateStartupEntry
// runs between IgnoreDups and RemoveReturns. A failed write leaves the old file as it was.
Status SaveConfiguration(ProfileStore& store, const std::string& path, const ConfigTargets& from,
                         const std::function<void()>& updateStartupEntry);

}  // namespace tolvane
