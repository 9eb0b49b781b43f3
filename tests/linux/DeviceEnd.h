// What the POSIX beds of the serial contract share: child processes with their output in a log,
// socat's pseudo-terminal pair, and the device's end of the line.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace tolvane::contract {

// A child process with its output to a log; 0 when it could not be started.
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t io;
  posix_spawn_file_actions_init(&io);
  posix_spawn_file_actions_addopen(&io, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&io, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&io, 1, 2);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &io, nullptr, argv.data(), environ) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&io);
  return pid;
}

// socat ends on SIGTERM and takes both ends of its pair, and their links, with it.
inline void End(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  pid = 0;
}

// A raw pseudo-terminal pair in the folder: the control's end linked at dev, the device's at far.
inline pid_t SpawnPair(const std::string& folder) {
  return Spawn(
      {"socat", "-d", "-d", "pty,link=" + folder + "/dev,raw,echo=0", "pty,link=" + folder + "/far,raw,echo=0"},
      folder + "/socat.log");
}

// The device's end of the line, non-blocking: it reads what came and writes what it has, without waiting.
class DeviceEnd {
 public:
  ~DeviceEnd() { Close(); }
  void Use(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool open() const { return fd_ >= 0; }
  pollfd Poll() const { return {fd_, static_cast<short>(POLLIN | (coming_.empty() ? 0 : POLLOUT)), 0}; }

  void Send(std::string_view bytes) {
    coming_.append(bytes);
    Exchange();
  }
  std::string Heard() {
    Exchange();
    return heard_;
  }
  void SetReading(bool on) { reading_ = on; }
  void Exchange() {
    if (fd_ < 0) return;
    char buffer[4096];
    for (ssize_t n; reading_ && (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
      heard_.append(buffer, static_cast<std::size_t>(n));
    for (ssize_t n; !coming_.empty() && (n = ::write(fd_, coming_.data(), coming_.size())) > 0;)
      coming_.erase(0, static_cast<std::size_t>(n));
  }

 private:
  int fd_ = -1;
  bool reading_ = true;
  std::string coming_, heard_;
};

}  // namespace tolvane::contract
