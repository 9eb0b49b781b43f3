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

void LoadConfiguration(ProfileStore& store, const std::string& path, const std::string& arguments,
                       const ConfigTargets& to) {
  const ProfileFile file = ProfileFile::Parse(store.Read(path).value_or(std::string()));
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

Status SaveConfiguration(ProfileStore& store, const std::string& path, const ConfigTargets& from,
                         const std::function<void()>& updateStartupEntry) {
  ProfileFile file = ProfileFile::Parse(store.Read(path).value_or(std::string()));
  for (const ConfigKey* key : InOrder(SaveOrder())) {
    if (key->ActedOnBy(from.program)) {  // another program's key stays as the file has it, or absent
      if (key->kind == KeyKind::Translation) {
        for (int code = key->lo; code <= key->hi; ++code)
          file.Set(kConfigSection, key->name + std::to_string(code), key->save(from, code));
      } else {
        file.Set(kConfigSection, key->name, key->save(from, 0));
      }
    }
    if (key->name == kStartupEntryAfter && updateStartupEntry) updateStartupEntry();
  }
  return store.Write(path, file.Serialize());
}

}  // namespace tolvane
