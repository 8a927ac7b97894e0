#include "vekpage_process.h"

#include "test_support.h"

namespace pagehost_test {

using testing_support::ShellQuote;

VekpageRun RunVekpage(const std::string& folder, const std::vector<std::string>& args,
                      const std::string& registryFile, const std::string& environment) {
  VekpageRun run;
  const std::string errorFile = folder + "/vekpage-stderr.txt";
  // Each run has a profile of its own: a photo control keeps its working folders there, and one live form
  // holds them.
  // The leak checker's end-of-process pass sometimes crashes in a vekpage child under the sanitizer build (its
  // tracer faults while the window system's threads wind down); the in-process tests keep the leak checks.
  std::string command = "cd " + ShellQuote(folder) + " && ASAN_OPTIONS=detect_leaks=0 HOME=" + ShellQuote(folder) +
                        " VEK_REGISTRY=" + ShellQuote(registryFile) + " " + environment + " timeout 60 " +
                        ShellQuote(VEKPAGE_PATH);
  for (const std::string& a : args) command += " " + ShellQuote(a);
  command += " 2>" + ShellQuote(errorFile) + " </dev/null";
  std::string text;
  run.exitCode = testing_support::RunShell(command, &text);
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
