// The Linux program: the same pipeline and configuration file as the Windows program, with
// no windows. One thread polls the serial device or the network connection, the core's timers
// and the signals.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "app/Tolvane.h"
#include "linux/CommandLine.h"
#include "linux/NetworkControl.h"
#include "linux/ProfileStore.h"
#include "linux/SerialControl.h"
#include "linux/Services.h"
#include "linux/Typing.h"
#include "serialsettings/DeviceSwitch.h"

namespace {

using namespace tolvane;

void MakeFolders(const std::string& file) {
  for (auto p = file.find('/', 1); p != std::string::npos; p = file.find('/', p + 1))
    ::mkdir(file.substr(0, p).c_str(), 0755);
}

std::string Folder(const std::string& file) {
  const auto slash = file.rfind('/');
  return slash == std::string::npos ? "." : file.substr(0, slash);
}

void Arm(int timer, const TimerModel& model) {
  itimerspec t{};
  if (model.enabled) {
    t.it_interval.tv_sec = model.interval / 1000;
    t.it_interval.tv_nsec = (model.interval % 1000) * 1000000L;
    t.it_value = t.it_interval;
  }
  timerfd_settime(timer, 0, &t, nullptr);
}

bool Expired(int timer) {
  std::uint64_t n = 0;
  return ::read(timer, &n, sizeof n) == sizeof n;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = posix::ParseArguments(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "tolvane: %s\n%s", error.c_str(), posix::kUsage);
    return 2;
  }
  if (options->help) return std::fputs(posix::kUsage, stdout) < 0;
  if (options->version) return std::puts("tolvane " TOLVANE_VERSION) < 0;
  if (options->listPorts) {
    for (const auto& port : posix::ListPorts()) std::puts(port.c_str());
    return 0;
  }
  // A reader of standard output that goes away is no reason to end; the write fails instead.
  signal(SIGPIPE, SIG_IGN);
  // Scanned data is the user's: it goes to a terminal, or where --echo sends it, never to a journal unasked.
  const bool echo = options->echo || isatty(STDOUT_FILENO);

  const char* home = std::getenv("HOME");
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  char cwd[PATH_MAX] = "";
  const std::string given = options->config.empty() ? posix::DefaultConfigPath(xdg, home) : options->config;
  const std::string config = getcwd(cwd, sizeof cwd) ? posix::AbsolutePath(given, cwd) : given;
  MakeFolders(config);
  posix::ProfileStore profileStore;

  char self[PATH_MAX] = "";
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::vector<std::string> command = {n > 0 ? self : "tolvane"};
  if (!options->config.empty()) command.insert(command.end(), {"--config", config});
  const std::string exec = posix::DesktopExec(command);
  const std::string autostart = (xdg && *xdg == '/' ? std::string(xdg) : std::string(home ? home : ".") + "/.config") +
                                "/autostart/tolvane.desktop";

  const FrontEndSettings* settings = nullptr;  // the application's, loaded before ComPort opens a port
  posix::SerialControl serial([&settings](std::int16_t port) { return posix::DevicePath(settings->device, port); });
  // A Device that names a network address is reached over the network instead.
  posix::NetworkControl network([&settings] { return settings->device; });
  DeviceSwitch device(serial, network, [&settings] { return IsNetworkAddress(settings->device); });
  posix::DeferredTyping typing;
  posix::Sound sound;
  posix::ActiveWindow activeWindow;
  posix::Clock clock;
  posix::StartupEntryStore startupEntries(autostart, exec);
  posix::Toolkit toolkit;
  posix::MessageBox messageBox;
  posix::NotifyIcon notifyIcon;
  posix::Shell shell;
  posix::SingleInstance singleInstance(config + ".lock");
  const Platform platform{device,         typing,  sound,      activeWindow, clock, typing,        profileStore,
                          startupEntries, toolkit, messageBox, notifyIcon,   shell, singleInstance};
  Tolvane app(platform);
  settings = &app.frontEnd();
  MainForm& form = app.mainForm();

  std::string status;
  form.captionChanged = [&](const std::string& caption) {
    const std::string now = posix::StatusText(caption, serial.device());
    if (now != status) std::fprintf(stderr, "%s\n", (status = now).c_str());
  };
  app.processing().shown = [echo](const std::string& display) {
    if (!echo) return;
    std::printf("%s\n", posix::PrintableLine(display).c_str());
    std::fflush(stdout);
  };

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);
  const int tick = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  const int retry = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  const int reconnect = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);  // while the X server is gone
  form.TickTimer.changed = [&] { Arm(tick, form.TickTimer); };
  form.RetryTimer.changed = [&] { Arm(retry, form.RetryTimer); };
  Arm(tick, form.TickTimer);

  if (!app.Form_Load({Folder(config), "tolvane", "", config, Program::Linux}))
    return app.readError().empty() ? posix::kExitAlreadyRunning : posix::kExitFailure;
  posix::TypingOptions typingOptions;
  typingOptions.mode = options->typing == "uinput"  ? posix::TypingMode::Uinput
                       : options->typing == "xtest" ? posix::TypingMode::Xtest
                                                    : posix::TypingMode::Auto;
  typingOptions.xkbLayout = settings->xkbLayout;
  typingOptions.xkbVariant = settings->xkbVariant;
  std::string notice;
  if (!typing.Open(typingOptions, error, notice)) {  // ends without saving, the file as it was
    std::fprintf(stderr, "tolvane: %s\n", error.c_str());
    return posix::kExitFailure;
  }
  if (!notice.empty()) std::fprintf(stderr, "tolvane: %s\n", notice.c_str());
  std::fprintf(stderr, "tolvane: typing with %s, configuration %s\n", typing.Name().c_str(), config.c_str());
  // A Device opens even when ComPort says none; the file keeps what it said.
  bool deviceOnly = false;
  const auto openPort = [&] {
    deviceOnly = !settings->device.empty() && form.PortList.listIndex == 0;
    app.PortList_Click(deviceOnly ? 1 : form.PortList.listIndex);
  };
  if (!settings->device.empty() && form.PortList.listIndex == 0) openPort();

  // SIGHUP: the file read again, the port and the typing reopened only when their keys changed.
  const auto reload = [&] {
    Tolvane::Reloaded changed;
    if (const Status s = app.ReloadSettings(changed); !s) {
      std::fprintf(stderr, "tolvane: %s; the running settings stay\n", ReadFailedText(config, s.description).c_str());
      return;
    }
    std::fprintf(stderr, "tolvane: configuration %s read again\n", config.c_str());
    if (changed.port)
      openPort();
    else if (deviceOnly)
      form.PortList.listIndex = 1;  // the file's 0 again, the device still open as port 1
    if (changed.typing) {
      typingOptions.xkbLayout = settings->xkbLayout;
      typingOptions.xkbVariant = settings->xkbVariant;
      if (typing.Open(typingOptions, error, notice))
        std::fprintf(stderr, "tolvane: typing with %s again, for the new layout\n", typing.Name().c_str());
      else
        std::fprintf(stderr, "tolvane: %s; typing goes on as before\n", error.c_str());
    }
  };

  bool reconnecting = false;
  while (form.loaded) {
    if (typing.Lost() != reconnecting) {
      TimerModel everySecond;
      everySecond.enabled = reconnecting = typing.Lost();
      everySecond.interval = 1000;
      Arm(reconnect, everySecond);
    }
    // poll passes over the descriptors that are -1: no port open, no X connection.
    pollfd fds[7] = {{signalFd, POLLIN, 0},
                     {tick, POLLIN, 0},
                     {retry, POLLIN, 0},
                     {serial.fd(), static_cast<short>(POLLIN | (serial.WantsWrite() ? POLLOUT : 0)), 0},
                     {typing.Connection(), POLLIN, 0},
                     {reconnect, POLLIN, 0},
                     {network.fd(), network.Events(), 0}};
    if (poll(fds, 7, -1) < 0) continue;
    if (fds[0].revents) {
      signalfd_siginfo info{};
      if (::read(signalFd, &info, sizeof info) != sizeof info) continue;
      if (info.ssi_signo == SIGHUP) {
        reload();
        continue;
      }
      if (deviceOnly) form.PortList.listIndex = 0;
      app.Form_Unload();
      break;
    }
    if (fds[3].revents & (POLLIN | POLLHUP | POLLERR)) serial.Readable();
    if (fds[3].revents & POLLOUT) serial.Writable();
    if (fds[6].revents) network.Ready(fds[6].revents);
    if (fds[1].revents && Expired(tick)) {
      serial.Tick();
      network.Tick();
      app.TickTimer_Tick();
    }
    if (fds[2].revents && Expired(retry)) app.RetryTimer_Tick();
    if (fds[4].revents) typing.Service();
    if (fds[5].revents && Expired(reconnect)) typing.Reconnect();
  }
  return 0;
}
