// Configuration files on a POSIX file system, replaced atomically.
#pragma once

#include "platform/ProfileStore.h"

namespace tolvane::posix {

class ProfileStore : public tolvane::ProfileStore {
 public:
  FileRead Read(const std::string& path) override;
  // Writes through symbolic links to the file they name, keeps an existing file's mode and
  // owner, and replaces it by a rename, with the data and then the folder flushed to disk. A
  // new file is made private to its user (0600).
  Status Write(const std::string& path, const std::string& bytes) override;
};

// The file a path names once its symbolic links are followed (the path itself when it is
// none); the last one may name a file that is not there yet. Empty, with the reason, for a
// loop or a link that cannot be read.
std::string FollowLinks(const std::string& path, std::string& error);

}  // namespace tolvane::posix
