#include "linux/Services.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>

namespace tolvane::posix {

void Sound::MessageBeep(std::uint32_t) {
  if (isatty(STDERR_FILENO)) static_cast<void>(::write(STDERR_FILENO, "\a", 1));
}

LocalDateTime Clock::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::uint64_t Clock::Milliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000 + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000;
}

void MessageBox::Show(const std::string& text) { std::fprintf(stderr, "tolvane: %s\n", text.c_str()); }

bool NotifyIcon::Balloon(const std::string& title, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  return true;
}

bool SingleInstance::PreviousInstance() {
  if (fd_ < 0) fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  // A lock file that cannot be made does not stop the program.
  return fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);
}

std::string AutostartEntry(const std::string& exec) {
  return "[Desktop Entry]\nType=Application\nName=Tolvane\nComment=Types what a serial bar-code scanner sends\n"
         "Exec=" +
         exec + "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

Status StartupEntryStore::WriteValue(const std::string&, const std::string&) {
  const auto slash = file_.rfind('/');
  if (slash != std::string::npos) {
    // Each missing folder of the path, as mkdir -p makes them.
    for (auto p = file_.find('/', 1); p != std::string::npos && p <= slash; p = file_.find('/', p + 1))
      ::mkdir(file_.substr(0, p).c_str(), 0755);
  }
  std::ofstream out(file_, std::ios::trunc);
  out << AutostartEntry(exec_);
  out.close();
  return out ? Status::Ok() : Status::Fail(std::strerror(errno));
}

Status StartupEntryStore::RemoveValue(const std::string&) {
  if (::unlink(file_.c_str()) != 0 && errno != ENOENT) return Status::Fail(std::strerror(errno));
  return Status::Ok();
}

}  // namespace tolvane::posix
