// What start-up and shut-down compute: the program's path and the start-at-logon command.
#pragma once

#include <string>

namespace tolvane {

// The programs that share the configuration file.
enum class Program { Windows, Linux };

// How the platform describes the running program, in UTF-8.
struct ProgramInfo {
  std::string folder;        // without a trailing backslash, except a drive's root ("D:\")
  std::string exeName;       // the file name without its extension
  std::string arguments;     // the command line after the program's name
  std::string configFile{};  // where the configuration is, when not beside the program
  Program program = Program::Windows;
};

inline constexpr const char* kAlreadyRunning = "Tolvane is already running.";

// The folder, a backslash unless it ends in one, the name, ".EXE"; never quoted.
std::string MakeProgramPath(const ProgramInfo& info);

// The start-at-logon command line for programPath (which may end in " /M"): a program part
// with a blank is quoted, so Windows cannot run C:\Program.exe in its place.
std::string StartupCommandLine(const std::string& programPath, const std::string& programFile);

}  // namespace tolvane
