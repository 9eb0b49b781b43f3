#include "linux/CommandLine.h"

#include <cstdio>

namespace tolvane::posix {

const char* const kUsage =
    "Usage: tolvane [--config FILE] [--typing auto|uinput|xtest] [--echo] [--list-ports] [--help] [--version]\n"
    "Types what a serial bar-code scanner sends into the focused application.\n"
    "  --config FILE   the configuration file (default: $XDG_CONFIG_HOME/tolvane/default.tlv)\n"
    "  --typing MODE   uinput (X11, Wayland and the console), xtest (X11), or auto\n"
    "  --echo          print each record on standard output (the default when it is a terminal)\n"
    "  --list-ports    list the serial devices and whether you may open them, and exit\n"
    "SIGHUP reads the configuration file again.\n";

std::optional<Options> ParseArguments(const std::vector<std::string>& args, std::string& error) {
  Options o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i], value;
    const bool takesValue = arg.rfind("--config", 0) == 0 || arg.rfind("--typing", 0) == 0;
    if (takesValue && arg.size() > 8) {
      if (arg[8] != '=') {
        error = "unknown option " + arg;
        return std::nullopt;
      }
      value = arg.substr(9);
      arg.resize(8);
    } else if (takesValue) {
      if (i + 1 == args.size()) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      value = args[++i];
    }
    if (arg == "--config")
      o.config = value;
    else if (arg == "--typing")
      o.typing = value;
    else if (arg == "--echo")
      o.echo = true;
    else if (arg == "--list-ports")
      o.listPorts = true;
    else if (arg == "--help" || arg == "-h")
      o.help = true;
    else if (arg == "--version")
      o.version = true;
    else {
      error = "unknown argument " + arg;
      return std::nullopt;
    }
    if (takesValue && value.empty()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
  }
  if (o.typing != "auto" && o.typing != "uinput" && o.typing != "xtest") {
    error = "--typing takes auto, uinput or xtest, not " + o.typing;
    return std::nullopt;
  }
  return o;
}

std::string DefaultConfigPath(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome && *xdgConfigHome == '/') return std::string(xdgConfigHome) + "/tolvane/default.tlv";
  return std::string(home && *home ? home : ".") + "/.config/tolvane/default.tlv";
}

std::string AbsolutePath(const std::string& path, const std::string& workingFolder) {
  if (!path.empty() && path[0] == '/') return path;
  std::string folder = workingFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string relative = path;
  while (relative.rfind("./", 0) == 0) relative.erase(0, 2);
  return (folder == "/" ? "" : folder) + "/" + relative;
}

std::string DesktopExec(const std::vector<std::string>& argv) {
  static const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string line;
  for (const std::string& arg : argv) {
    const bool quote = arg.empty() || arg.find_first_of(reserved) != std::string::npos;
    if (!line.empty()) line += ' ';
    if (quote) line += '"';
    for (const char c : arg) {
      if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) line += '\\';
      if (c == '%') line += '%';
      line += c;
    }
    if (quote) line += '"';
  }
  // The string escapes come off before the quoting is read: each backslash, and the line ends.
  std::string escaped;
  for (const char c : line) {
    if (c == '\\')
      escaped += "\\\\";
    else if (c == '\n')
      escaped += "\\n";
    else if (c == '\t')
      escaped += "\\t";
    else if (c == '\r')
      escaped += "\\r";
    else
      escaped += c;
  }
  return escaped;
}

std::string DevicePath(const std::string& device, int comPort) {
  if (!device.empty()) return device;
  return comPort > 0 ? "/dev/ttyS" + std::to_string(comPort - 1) : "";
}

std::string StatusText(const std::string& caption, const std::string& device) {
  // What follows the prefix, without the closing parenthesis.
  const auto after = [&caption](const std::string& prefix) {
    return caption.size() > prefix.size() && caption.rfind(prefix, 0) == 0 && caption.back() == ')'
               ? caption.substr(prefix.size(), caption.size() - prefix.size() - 1)
               : std::string();
  };
  if (caption.rfind("Tolvane (Active On COM", 0) == 0) return "Active on " + device;
  if (const std::string name = after("Tolvane (Active On "); !name.empty()) return "Active on " + name;
  if (const std::string name = after("Tolvane (Connecting To "); !name.empty()) return "Connecting to " + name;
  if (const std::string error = after("Tolvane (Error: "); !error.empty()) return "Error: " + error;
  return "Inactive";
}

std::string PrintableLine(const std::string& record) {
  std::string out;
  for (const char ch : record) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c >= 32 && c < 127) {
          out += ch;
        } else {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\x%02X", c);
          out += esc;
        }
    }
  }
  return out;
}

}  // namespace tolvane::posix
