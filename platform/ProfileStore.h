// Where the configuration file lives: read whole, written whole. Paths are UTF-8; the
// contents are the file's own bytes (ANSI code page on Windows), never converted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/Status.h"

namespace tolvane {

// What reading a file found: its bytes, no file at all, or a file there that could not be read.
struct FileRead {
  std::optional<std::string> bytes;
  std::string error;  // why a file that is there could not be read (permission, I/O, a folder)
  bool Missing() const { return !bytes && error.empty(); }
};

class ProfileStore {
 public:
  virtual ~ProfileStore() = default;
  virtual FileRead Read(const std::string& path) = 0;
  // As Read, but a file another program holds open without sharing (a backup or sync client) is
  // tried again for up to patienceMs before it counts as unreadable.
  virtual FileRead ReadWhenFree(const std::string& path, std::uint32_t patienceMs) {
    static_cast<void>(patienceMs);
    return Read(path);
  }
  // Replaces the file only once the new contents are completely written: on any failure
  // the old file stays as it was.
  virtual Status Write(const std::string& path, const std::string& bytes) = 0;
};

}  // namespace tolvane
