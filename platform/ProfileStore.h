// Where the configuration file lives: read whole, written whole. Paths are UTF-8; the
// contents are the file's own bytes (ANSI code page on Windows), never converted.
#pragma once

#include <optional>
#include <string>

#include "common/Status.h"

namespace tolvane {

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  // The file's bytes; nullopt when it does not exist or cannot be read.
  virtual std::optional<std::string> Read(const std::string& path) = 0;
  // Replaces the file only once the new contents are completely written: on any failure
  // the old file stays as it was.
  virtual Status Write(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace tolvane
