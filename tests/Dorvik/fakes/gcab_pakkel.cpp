// A working stand-in for Pakkel in tests, built on the peers: packs with "gcab -c -z" (names relative to the
// base prefix) and unpacks with cabextract. Counts its calls; can be told to fail or to leave a split part.
#include <cstdlib>
#include <string>

#include "platform/error.h"
#include "platform/path.h"

namespace {

int g_compressCalls = 0;
int g_failCompress = 0;  // calls still to fail
bool g_split = false;    // leave a TEMP2.CAB beside the cabinet

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

bool System(const char* cp932, std::string& out) { return platform::ToSystemPath(cp932, out); }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int CompressFile(int count, const char* basePrefix, char** files,
                                                        const char* cabPath) {
  ++g_compressCalls;
  if (g_failCompress > 0) {
    --g_failCompress;
    platform::SetLastError(5);
    return 0;
  }
  std::string base, cab;
  if (!System(basePrefix, base) || !System(cabPath, cab)) return 0;
  std::string cmd = "cd " + Quoted(base) + " && gcab -c -z " + Quoted(cab);
  for (int i = 0; i < count; ++i) {
    std::string f;
    if (!System(files[i], f)) return 0;
    if (f.compare(0, base.size() + 1, base + "/") == 0) f = f.substr(base.size() + 1);
    cmd += " " + Quoted(f);
  }
  if (std::system((cmd + " >/dev/null 2>&1").c_str()) != 0) return 0;
  if (g_split) {
    std::string folder = cab.substr(0, cab.rfind('/'));
    std::system(("cp " + Quoted(cab) + " " + Quoted(folder + "/TEMP2.CAB")).c_str());
  }
  return 1;
}

__attribute__((visibility("default"))) int UncompressFile(const char* cabPath, const char* destDir) {
  std::string cab, dest;
  if (!System(cabPath, cab) || !System(destDir, dest)) return 0;
  std::string cmd = "cabextract -q -d " + Quoted(dest) + " " + Quoted(cab) + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 ? 1 : 0;
}

// The next `fail` packings fail; split: the packing leaves a second cabinet. Resets the counter.
__attribute__((visibility("default"))) void GcabPakkelSet(int fail, int split) {
  g_failCompress = fail;
  g_split = split != 0;
  g_compressCalls = 0;
}

__attribute__((visibility("default"))) int GcabPakkelCompressCalls() { return g_compressCalls; }
}
