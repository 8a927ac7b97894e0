// A small host program: loads libHestrel.so, reads a sample estimate's header summary, takes its images and
// photo-link file out into a folder, and strips the images from a copy.
//
//   hestrel_example <library folder> <estimate file> <output folder>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/module.h"
#include "platform/text.h"

namespace {

using ZkGetHeaderFn = std::int32_t (*)(const char*, const char*, char*, std::int32_t*, std::int32_t);
using ZkGetImgDataFn = std::int32_t (*)(const char*, const char*, const char*, const char*);
using ZkDivImgDataFn = std::int32_t (*)(const char*, const char*, const char*);

std::string Utf8(std::string_view cp932) {
  std::string out;
  return platform::Cp932ToUtf8(cp932, out) ? out : std::string(cp932);
}

// A fixed-width field up to its first NUL.
std::string Field(const char* buffer, std::size_t offset, std::size_t width) {
  return Utf8(std::string(buffer + offset, strnlen(buffer + offset, width)));
}

void PrintShortSummary(const std::vector<char>& b) {
  std::printf("  AcceptNo:      %s\n", Field(b.data(), 0, 37).c_str());
  std::printf("  CustomerName:  %s\n", Field(b.data(), 37, 30).c_str());
  std::printf("  CarName:       %s\n", Field(b.data(), 67, 50).c_str());
  std::printf("  Registration:  %s %s %s %s\n", Field(b.data(), 117, 8).c_str(), Field(b.data(), 125, 6).c_str(),
              Field(b.data(), 131, 4).c_str(), Field(b.data(), 135, 10).c_str());
  std::printf("  LinkFileFlag:  %d %d\n", b[145], b[146]);
}

void PrintFolder(const std::string& folder) {
  std::vector<platform::FindEntry> entries;
  platform::FindFiles(folder + "/*", entries);
  for (const platform::FindEntry& e : entries) {
    if (e.name != "." && e.name != "..") std::printf("  %s (%lld bytes)\n", Utf8(e.name).c_str(), static_cast<long long>(e.size));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s <library folder> <estimate file> <output folder>\n", argv[0]);
    return 2;
  }
  std::string libs = argv[1], estimate = argv[2], out = argv[3];
  platform::ModuleHandle hestrel = platform::LoadModuleFrom(libs + "/" + platform::ModuleFileName("Hestrel.dll"), nullptr);
  if (!hestrel) {
    std::fprintf(stderr, "cannot load Hestrel: %s\n", platform::ModuleError().c_str());
    return 1;
  }
  auto getHeader = platform::GetFunctionAs<ZkGetHeaderFn>(hestrel, "ZkGetHeader");
  auto getImgData = platform::GetFunctionAs<ZkGetImgDataFn>(hestrel, "ZkGetImgData");
  auto divImgData = platform::GetFunctionAs<ZkDivImgDataFn>(hestrel, "ZkDivImgData");
  if (!getHeader || !getImgData || !divImgData) {
    std::fprintf(stderr, "Hestrel lacks an export\n");
    return 1;
  }

  std::int32_t size = 0;
  std::vector<char> buffer(512);
  std::int32_t r = getHeader(libs.c_str(), (out + "/missing.vek").c_str(), buffer.data(), &size, 1);
  std::printf("ZkGetHeader(missing file) = %d\n", r);
  r = getHeader(libs.c_str(), estimate.c_str(), nullptr, &size, 1);
  std::printf("ZkGetHeader(size 0) = %d, size needed %d\n", r, size);
  r = getHeader(libs.c_str(), estimate.c_str(), buffer.data(), &size, 1);
  std::printf("ZkGetHeader(%s, short form) = %d\n", Utf8(estimate).c_str(), r);
  if (r == 0) PrintShortSummary(buffer);

  std::string images = out + "/images", stripped = out + "/stripped.vek", divided = out + "/divided.vek";
  platform::DeleteTree(out);
  platform::MakeFolders(images);
  r = getImgData(libs.c_str(), estimate.c_str(), stripped.c_str(), images.c_str());
  std::printf("ZkGetImgData -> %s = %d; taken out into %s:\n", Utf8(stripped).c_str(), r, Utf8(images).c_str());
  PrintFolder(images);
  if (r == 0 && getHeader(libs.c_str(), stripped.c_str(), buffer.data(), &size, 0) == 0) {
    std::int16_t count;
    std::memcpy(&count, buffer.data() + 210, sizeof count);
    std::printf("  image count of the stripped estimate: %d\n", count);
  }
  r = divImgData(libs.c_str(), estimate.c_str(), divided.c_str());
  std::printf("ZkDivImgData -> %s = %d\n", Utf8(divided).c_str(), r);
  platform::FreeModule(hestrel);
  return 0;
}
