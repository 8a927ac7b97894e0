// Loads Pakkel and Lunnet from a folder and prints what their functions give:
//   pakkel_probe <library folder> <base prefix> <file> <cabinet>
// prints "Pakkel <compress> <uncompress> Lunnet <compress> <uncompress>".
#include <cstdio>
#include <string>

#include "Pakkel.h"
#include "platform/module.h"

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  std::string folder = argv[1], base = argv[2], file = argv[3], cab = argv[4];
  char* files[] = {file.data()};
  for (const char* name : {"Pakkel", "Lunnet"}) {
    platform::ModuleHandle m = platform::LoadModule(folder + "/lib" + name + ".so");
    if (!m) return 3;
    void* compress = platform::GetFunction(m, "CompressFile");
    auto uncompress = platform::GetFunctionAs<UncompressFileFn>(m, "UncompressFile");
    if (!compress || !uncompress) return 4;
    int packed = std::string(name) == "Pakkel"
                     ? reinterpret_cast<PakkelCompressFileFn>(compress)(1, base.c_str(), files, cab.c_str())
                     : reinterpret_cast<LunnetCompressFileFn>(compress)(1, files, cab.c_str());
    int unpacked = uncompress(cab.c_str(), base.c_str());
    std::printf("%s%s %d %d", name == std::string("Pakkel") ? "" : " ", name, packed, unpacked);
    platform::FreeModule(m);
  }
  std::printf("\n");
  return 0;
}
