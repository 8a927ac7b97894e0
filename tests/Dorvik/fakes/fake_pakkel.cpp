// A stand-in for Pakkel in tests: counts calls, remembers the last arguments, answers with the results set.
#include <string>

#include "platform/error.h"

namespace {
int g_compressResult = 1;
int g_uncompressResult = 1;
int g_compressCalls = 0;
int g_uncompressCalls = 0;
std::string g_last;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) int CompressFile(int count, const char* basePrefix, char** files,
                                                        const char* cabPath) {
  ++g_compressCalls;
  g_last = std::to_string(count) + "|" + basePrefix + "|" + cabPath;
  for (int i = 0; i < count; ++i) g_last += std::string("|") + files[i];
  if (!g_compressResult) platform::SetLastError(5);
  return g_compressResult;
}

__attribute__((visibility("default"))) int UncompressFile(const char* cabPath, const char* destDir) {
  ++g_uncompressCalls;
  g_last = std::string(cabPath) + "|" + destDir;
  return g_uncompressResult;
}

// Results of the next calls; resets the counters.
__attribute__((visibility("default"))) void FakePakkelSet(int compressResult, int uncompressResult) {
  g_compressResult = compressResult;
  g_uncompressResult = uncompressResult;
  g_compressCalls = g_uncompressCalls = 0;
  g_last.clear();
}

__attribute__((visibility("default"))) void FakePakkelCalls(int* compress, int* uncompress) {
  *compress = g_compressCalls;
  *uncompress = g_uncompressCalls;
}

// The last call's arguments joined with "|".
__attribute__((visibility("default"))) const char* FakePakkelLast() { return g_last.c_str(); }
}
