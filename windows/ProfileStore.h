// The configuration file on Windows, replaced only once the new one is completely written.
#pragma once

#include "platform/ProfileStore.h"

namespace tolvane::win32 {

class ProfileStore : public tolvane::ProfileStore {
 public:
  FileRead Read(const std::string& path) override;
  // Sharing and lock violations are tried again every 100 ms.
  FileRead ReadWhenFree(const std::string& path, std::uint32_t patienceMs) override;
  Status Write(const std::string& path, const std::string& bytes) override;
};

}  // namespace tolvane::win32
