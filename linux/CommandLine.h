// What the Linux program is told on its command line and by its environment, and the texts
// it shows; portable, so it is tested and fuzzed natively.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tolvane::posix {

struct Options {
  std::string config;           // empty: the default place
  std::string typing = "auto";  // auto, uinput or xtest
  bool listPorts = false, help = false, version = false;
  bool echo = false;  // records on standard output even when it is not a terminal
};

// Exit statuses besides 0: the file cannot be read or nothing can type (1), bad arguments (2),
// another copy runs on the same file (3, which a service manager is not to restart for).
inline constexpr int kExitFailure = 1, kExitUsage = 2, kExitAlreadyRunning = 3;

// nullopt, with the reason in error, for arguments the program does not take.
std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error);

extern const char* const kUsage;

// $XDG_CONFIG_HOME/tolvane/default.tlv, else ~/.config/tolvane/default.tlv.
std::string DefaultConfigPath(const char* xdgConfigHome, const char* home);

// The path made absolute against the working folder; already absolute, as it is.
std::string AbsolutePath(const std::string& path, const std::string& workingFolder);

// An autostart entry's Exec value starting the program with these arguments, each quoted when
// it holds a reserved character, '%' doubled, and the whole escaped as a desktop-entry string.
std::string DesktopExec(const std::vector<std::string>& argv);

// The device to open: Device when given, else /dev/ttyS<n-1> for ComPort n; "" for none.
std::string DevicePath(const std::string& device, int comPort);

// The status a caption tells, in the program's own words ("Active on /dev/ttyUSB0").
std::string StatusText(const std::string& caption, const std::string& device);

// A record as one line: control characters and bytes above 126 as C escapes.
std::string PrintableLine(const std::string& record);

}  // namespace tolvane::posix
