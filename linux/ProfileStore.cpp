#include "linux/ProfileStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tolvane::posix {

std::optional<std::string> ProfileStore::Read(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return bytes;
}

// A temporary file beside the old one, flushed, then renamed over it: a crash or a full disk
// leaves either the old file or the new one, never a part of either.
Status ProfileStore::Write(const std::string& path, const std::string& bytes) {
  std::string temp = path + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Status::Fail(std::strerror(errno));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool written = done == bytes.size() && fsync(fd) == 0;
  const int error = errno;
  if (close(fd) != 0 || !written || rename(temp.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(written ? errno : error);
    unlink(temp.c_str());
    return Status::Fail(why);
  }
  return Status::Ok();
}

}  // namespace tolvane::posix
