#include "vekpage_process.h"

#include <sys/wait.h>

#include <cstdio>

#include "test_support.h"

namespace pagehost_test {

namespace {

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

}  // namespace

VekpageRun RunVekpage(const std::string& folder, const std::vector<std::string>& args,
                      const std::string& registryFile) {
  VekpageRun run;
  const std::string errorFile = folder + "/vekpage-stderr.txt";
  std::string command = "cd " + Quoted(folder) + " && VEK_REGISTRY=" + Quoted(registryFile) + " timeout 60 " +
                        Quoted(VEKPAGE_PATH);
  for (const std::string& a : args) command += " " + Quoted(a);
  command += " 2>" + Quoted(errorFile) + " </dev/null";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return run;
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, out)) > 0) text.append(buffer, n);
  int status = pclose(out);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t nl = text.find('\n', start);
    if (nl == std::string::npos) nl = text.size();
    run.lines.push_back(text.substr(start, nl - start));
    start = nl + 1;
  }
  run.errors = testing_support::ReadRaw(errorFile);
  return run;
}

}  // namespace pagehost_test
