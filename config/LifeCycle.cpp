#include "config/LifeCycle.h"

#include "common/Text.h"

namespace tolvane {

std::string MakeProgramPath(const ProgramInfo& info) { return JoinPath(info.folder, info.exeName + ".EXE"); }

std::string StartupCommandLine(const std::string& programPath, const std::string& programFile) {
  if (programFile.find(' ') == std::string::npos || programPath.compare(0, programFile.size(), programFile) != 0)
    return programPath;
  return '"' + programFile + '"' + programPath.substr(programFile.size());
}

}  // namespace tolvane
