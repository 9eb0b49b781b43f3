#include "config/Configuration.h"

#include <optional>

#include "common/Text.h"
#include "common/TextToNumber.h"
#include "config/ProfileFile.h"
#include "serialsettings/SettingsString.h"

namespace tolvane {
namespace {

// A whole number in [lo, hi], or nullopt for anything the receiving control cannot take.
std::optional<std::int32_t> ReadInteger(const std::string& text, std::int32_t lo, std::int32_t hi) {
  const auto n = ToInt16(TextToNumber(text));
  if (!n || *n < lo || *n > hi) return std::nullopt;
  return *n;
}

std::int16_t ReadInteger(const std::string& text, std::int32_t lo, std::int32_t hi, std::int16_t fallback) {
  return static_cast<std::int16_t>(ReadInteger(text, lo, hi).value_or(fallback));
}

}  // namespace

std::string ConfigFilePath(const std::string& programFolder) { return JoinPath(programFolder, "default.tlv"); }

bool HasMinimizeSwitch(const std::string& arguments) { return arguments.find("/M") != std::string::npos; }

namespace {

// The keys of the table in the order the names give; a name the table lacks is passed over.
std::vector<const ConfigKey*> InOrder(const std::vector<std::string_view>& names) {
  std::vector<const ConfigKey*> keys;
  for (const auto name : names)
    for (const auto& key : ConfigKeys())
      if (key.name == name) keys.push_back(&key);
  return keys;
}

}  // namespace

void ApplyConfiguration(const std::string& bytes, const std::string& arguments, const ConfigTargets& to) {
  const ProfileFile file = ProfileFile::Parse(bytes);
  ConfigTargets targets = to;
  targets.startMinimized = HasMinimizeSwitch(arguments);
  for (const ConfigKey* key : InOrder(LoadOrder())) {
    if (key->kind == KeyKind::Translation) {
      for (int code = key->lo; code <= key->hi; ++code)
        if (const auto text = file.Get(kConfigSection, key->name + std::to_string(code)))
          key->load(targets, code, ConfigValue{0, *text});
      continue;
    }
    ConfigValue value{0, file.Get(kConfigSection, key->name).value_or(key->fallback)};
    if (key->kind == KeyKind::Integer)
      value.number = ReadInteger(value.text, key->lo, key->hi, ReadInteger(key->fallback, key->lo, key->hi, 0));
    key->load(targets, 0, value);
  }
}

FileRead LoadConfiguration(ProfileStore& store, const std::string& path, const std::string& arguments,
                           const ConfigTargets& to, std::uint32_t patienceMs) {
  FileRead read = store.ReadWhenFree(path, patienceMs);
  ApplyConfiguration(read.bytes.value_or(std::string()), arguments, to);
  return read;
}

ConfigValues CurrentValues(const ConfigTargets& from) {
  ConfigValues values;
  for (const ConfigKey& key : ConfigKeys()) {
    if (!key.ActedOnBy(from.program)) continue;
    if (key.kind == KeyKind::Translation) {
      for (int code = key.lo; code <= key.hi; ++code) values[key.name + std::to_string(code)] = key.save(from, code);
    } else {
      values[key.name] = key.save(from, 0);
    }
  }
  return values;
}

Status SaveConfiguration(ProfileStore& store, const std::string& path, const ConfigTargets& from,
                         const std::function<void()>& updateStartupEntry, const ConfigValues* loaded) {
  const ConfigValues now = CurrentValues(from);
  const FileRead read = store.Read(path);
  // Only a missing file is made anew; one that is there is edited, never guessed at.
  const bool whole = !loaded || read.Missing();
  ProfileFile file = ProfileFile::Parse(read.bytes.value_or(std::string()));
  bool changed = false;
  const auto set = [&](const std::string& name) {
    const std::string& value = now.at(name);
    if (!whole && loaded->count(name) && loaded->at(name) == value) return;
    file.Set(kConfigSection, name, value);
    changed = true;
  };
  for (const ConfigKey* key : InOrder(SaveOrder())) {
    if (key->ActedOnBy(from.program)) {  // another program's key stays as the file has it, or absent
      if (key->kind == KeyKind::Translation) {
        for (int code = key->lo; code <= key->hi; ++code) set(key->name + std::to_string(code));
      } else {
        set(key->name);
      }
    }
    if (key->name == kStartupEntryAfter && updateStartupEntry) updateStartupEntry();
  }
  if (!whole && !changed) return Status::Ok();
  if (!read.error.empty()) return Status::Fail(read.error);
  return store.Write(path, file.Serialize());
}

}  // namespace tolvane
