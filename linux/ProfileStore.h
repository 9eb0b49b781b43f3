// Configuration files on a POSIX file system, replaced atomically.
#pragma once

#include "platform/ProfileStore.h"

namespace tolvane::posix {

class ProfileStore : public tolvane::ProfileStore {
 public:
  std::optional<std::string> Read(const std::string& path) override;
  Status Write(const std::string& path, const std::string& bytes) override;
};

}  // namespace tolvane::posix
