// vekpage run as a program, as people and end-to-end tests run it: its stdout lines, stderr and exit code.
#pragma once

#include <string>
#include <vector>

namespace pagehost_test {

struct VekpageRun {
  int exitCode = -1;
  std::vector<std::string> lines;  // stdout, one JSON object each
  std::string errors;              // stderr
};

// Runs vekpage in folder with args (system paths, UTF-8), the registry stand-in being registryFile and folder
// the profile folder, for at most a minute.
// environment: further NAME=VALUE settings of the child, separated by blanks (shell-quoted where needed).
VekpageRun RunVekpage(const std::string& folder, const std::vector<std::string>& args,
                      const std::string& registryFile, const std::string& environment = {});

}  // namespace pagehost_test
