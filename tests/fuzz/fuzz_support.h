// What the fuzz targets that work on files share: a failed check ends the run, a folder of the target's own,
// and the libraries that the system loads by name found beside the build's other libraries.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace fuzz_support {

inline void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// A new folder $TMPDIR/<name>-XXXXXX (else under /tmp).
inline std::string MakeFolder(const char* name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-XXXXXX";
  Check(mkdtemp(pattern.data()) != nullptr);
  return pattern;
}

// Modules (Pakkel, the cabinet library, the database stand-ins) from the build's lib folder.
inline void UseBuildModules() {
  char self[4096] = {};
  Check(readlink("/proc/self/exe", self, sizeof self - 1) > 0);
  const std::string bin = self;
  setenv("VEK_MODULE_PATH", (bin.substr(0, bin.rfind('/')) + "/../lib").c_str(), 1);
}

}  // namespace fuzz_support
