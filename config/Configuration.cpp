#include "config/Configuration.h"

#include <algorithm>
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

// The keys in the order a walk through the file takes them.
std::vector<const ConfigKey*> InOrder(int ConfigKey::*order) {
  std::vector<const ConfigKey*> keys;
  for (const auto& k : ConfigKeys()) keys.push_back(&k);
  std::sort(keys.begin(), keys.end(),
            [order](const ConfigKey* a, const ConfigKey* b) { return a->*order < b->*order; });
  return keys;
}

}  // namespace

void LoadConfiguration(ProfileStore& store, const std::string& path, const std::string& arguments,
                       const ConfigTargets& to) {
  const ProfileFile file = ProfileFile::Parse(store.Read(path).value_or(std::string()));
  ConfigTargets targets = to;
  targets.startMinimized = HasMinimizeSwitch(arguments);
  for (const ConfigKey* key : InOrder(&ConfigKey::loadOrder)) {
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
  for (const ConfigKey* key : InOrder(&ConfigKey::saveOrder)) {
    if (key->kind == KeyKind::Translation) {
      for (int code = key->lo; code <= key->hi; ++code)
        file.Set(kConfigSection, key->name + std::to_string(code), key->save(from, code).text);
    } else {
      file.Set(kConfigSection, key->name, key->save(from, 0).text);
    }
    if (std::string(key->name) == kStartupEntryAfter && updateStartupEntry) updateStartupEntry();
  }
  return store.Write(path, file.Serialize());
}

}  // namespace tolvane
