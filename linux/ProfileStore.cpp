#include "linux/ProfileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace tolvane::posix {
namespace {

std::string Folder(const std::string& file) {
  const auto slash = file.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : file.substr(0, slash);
}

}  // namespace

FileRead ProfileStore::Read(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    return {std::nullopt, std::strerror(errno)};
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {  // a folder (EISDIR) or an I/O error: nothing of it counts
      const int error = errno;
      close(fd);
      return {std::nullopt, std::strerror(error)};
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return {bytes, ""};
}

std::string FollowLinks(const std::string& path, std::string& error) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    char target[PATH_MAX];
    const ssize_t n = readlink(at.c_str(), target, sizeof target - 1);
    if (n < 0) {
      error = std::strerror(errno);
      return "";
    }
    target[n] = '\0';
    at = target[0] == '/' ? std::string(target) : Folder(at) + "/" + target;
  }
  error = std::strerror(ELOOP);
  return "";
}

// A temporary file beside the real one, flushed, then renamed over it, then the folder flushed:
// a crash or a full disk leaves either the old file or the new one, never a part of either.
Status ProfileStore::Write(const std::string& path, const std::string& bytes) {
  std::string why;
  const std::string file = FollowLinks(path, why);
  if (file.empty()) return Status::Fail(why);
  struct stat old {};
  const bool exists = stat(file.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) return Status::Fail(file + " is not a regular file");

  std::string temp = file + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Status::Fail(std::strerror(errno));
  const auto fail = [&](int error) {
    close(fd);
    unlink(temp.c_str());
    return Status::Fail(std::strerror(error));
  };
  // The owner first: changing it may clear set-id bits that the mode then puts back.
  if (exists && (old.st_uid != geteuid() || old.st_gid != getegid()) && fchown(fd, old.st_uid, old.st_gid) != 0)
    return fail(errno);
  if (exists && fchmod(fd, old.st_mode & 07777) != 0) return fail(errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail(n < 0 ? errno : EIO);
    done += static_cast<std::size_t>(n);
  }
  if (fsync(fd) != 0) return fail(errno);
  if (close(fd) != 0 || rename(temp.c_str(), file.c_str()) != 0) {
    const int error = errno;
    unlink(temp.c_str());
    return Status::Fail(std::strerror(error));
  }
  // The rename itself is on disk once the folder is.
  const int folder = open(Folder(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    static_cast<void>(fsync(folder));
    close(folder);
  }
  return Status::Ok();
}

}  // namespace tolvane::posix
