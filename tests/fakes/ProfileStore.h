// In-memory files; a folder can be made read-only so writes fail and leave the old bytes, a
// file unreadable so reads fail with a reason.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/ProfileStore.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class ProfileStore : public tolvane::ProfileStore {
 public:
  explicit ProfileStore(Journal& journal) : journal_(journal) {}

  FileRead Read(const std::string& path) override {
    ++reads;
    journal_.Add("ReadFile " + path);
    if (const auto bad = unreadable.find(path); bad != unreadable.end()) return {std::nullopt, bad->second};
    const auto it = files.find(path);
    if (it == files.end()) return {};
    return {it->second, ""};
  }
  Status Write(const std::string& path, const std::string& bytes) override {
    journal_.Add("WriteFile " + path);
    if (readOnly) return Status::Fail("Access is denied.");
    files[path] = bytes;
    return Status::Ok();
  }

  std::map<std::string, std::string> files;
  std::map<std::string, std::string> unreadable;  // path -> why it cannot be read; its bytes stay
  bool readOnly = false;
  int reads = 0;

 private:
  Journal& journal_;
};

}  // namespace tolvane::fake
