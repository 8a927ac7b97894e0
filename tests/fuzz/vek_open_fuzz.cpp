// fuzz-libs: dorvik_core
// The whole opening of an estimate file, whatever its bytes: the head parsed, HeaderDt.ini and HistryDt.ini
// written, the archive unscrambled and unpacked through Pakkel and the cabinet library into a fresh work folder.
// It never crashes; a success leaves both INI files, a failure no temporary folder, and nothing is ever written
// outside the work folder. Writes stop after a few hundred (the layer's fault points), so that a cabinet that
// unpacks to gigabytes fails instead of filling the disk.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ZkVekFileOperation.h"
#include "platform/fault.h"
#include "fuzz_support.h"
#include "platform/files.h"

namespace {

using fuzz_support::Check;

std::string g_top;
constexpr int kWritesAllowed = 300;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_top = fuzz_support::MakeFolder("vek_open_fuzz");
  fuzz_support::UseBuildModules();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string vek = g_top + "/e.vek", work = g_top + "/work";
  platform::DeleteTree(work);
  Check(platform::MakeFolder(work));
  Check(platform::WriteFile(vek, data, size));
  platform::ClearFaults();
  platform::FailFromCall(platform::FileOp::Write, kWritesAllowed);
  char code[10] = {};
  const int result = CZkVekFileOperation(vek.c_str()).OpenVekFile(work.c_str(), code);
  platform::ClearFaults();
  if (result == 1) {
    Check(platform::IsFile(work + "/HeaderDt.ini") && platform::IsFile(work + "/HistryDt.ini"));
  }
  Check(!platform::Exists(work + "/cabtemp"));
  std::vector<platform::FolderName> top;
  Check(platform::ListFolder(g_top, top));
  Check(top.size() == 2);  // the estimate file and the work folder
  return 0;
}
