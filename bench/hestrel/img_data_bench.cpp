// ZkGetImgData (take an estimate's photographs and photo-link file out into a folder, save the estimate without
// them) against the peers doing the same work on the same estimate: cabextract unpacks the estimate's cabinet,
// cp copies the photographs and the photo-link file into an image folder and the photographs are removed, gcab
// -c -z packs the stripped folder again. The estimate (mostly JPEG-like photographs, some text) is packed by
// gcab and wrapped by the fixture generator. Every measured step runs in a process of its own.
//
//   hestrel_img_data_bench [estimate MB (default 200)] [runs (default 3)]
//   hestrel_img_data_bench ours <library folder> <source> <destination> <image folder>   (a child: ours)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "platform/module.h"

namespace {

using ZkGetImgDataFn = std::int32_t (*)(const char*, const char*, const char*, const char*);

// As an outside program calls the library: loaded by path, Dorvik's folder as the first argument.
int OursChild(const char* libs, const char* src, const char* dst, const char* images) {
  platform::ModuleHandle hestrel = platform::LoadModuleFrom(std::string(libs) + "/libHestrel.so", nullptr);
  if (!hestrel) {
    std::fprintf(stderr, "cannot load libHestrel.so: %s\n", platform::ModuleError().c_str());
    return 3;
  }
  auto getImgData = platform::GetFunctionAs<ZkGetImgDataFn>(hestrel, "ZkGetImgData");
  const std::int32_t r = getImgData ? getImgData(libs, src, dst, images) : -100;
  platform::FreeModule(hestrel);
  bench::ReportOwnPeak();
  if (r != 0) std::fprintf(stderr, "ZkGetImgData returned %d\n", r);
  return r == 0 ? 0 : 1;
}

// What an installation gives the library: the registry stand-in naming the product folder with its settings,
// the shared documents folder for the logs, and a temporary folder for the work folders.
void SetUpInstallation(const std::string& top) {
  const std::string app = top + "/app";
  bench::MakeFolder(app);
  bench::MakeFolder(app + "/Data");
  bench::MakeFolder(top + "/docs");
  bench::MakeFolder(top + "/tmp");
  std::ofstream(app + "/Data/OvOption.ini", std::ios::binary) << "[System]\r\nDebugLog=0\r\nLogSize=2000\r\n";
  std::ofstream(top + "/registry.ini", std::ios::binary)
      << "[SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\]\r\nApplicationPath=" << app << "\r\n";
  setenv("VEK_REGISTRY", (top + "/registry.ini").c_str(), 1);
  setenv("VEK_COMMON_DOCUMENTS", (top + "/docs").c_str(), 1);
  setenv("TMPDIR", (top + "/tmp").c_str(), 1);
}

bool SameTrees(const std::string& a, const std::string& b) {
  return bench::Shell("diff -r -q " + bench::Quoted(a) + " " + bench::Quoted(b) + " >/dev/null");
}

// The files of the cabinet part of an estimate, unpacked into folder.
bool UnpackEstimate(const std::string& vek, const std::string& folder) {
  const std::string cab = folder + ".cab";
  bool ok = bench::TakeCabinet(vek, cab) &&
            bench::Shell("cabextract -q -d " + bench::Quoted(folder) + " " + bench::Quoted(cab));
  std::remove(cab.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "ours") == 0) return OursChild(argv[2], argv[3], argv[4], argv[5]);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const std::string self = bench::SelfPath();
  const std::string libs = self.substr(0, self.rfind('/')) + "/../lib";
  const std::string top = bench::MakeTempFolder("vek-hestrel-bench");
  if (self.empty() || top.empty()) return 2;

  std::printf("generating %llu MB in %s ...\n", static_cast<unsigned long long>(megabytes), top.c_str());
  bench::CorpusShape shape;
  shape.totalBytes = megabytes * 1000000ull;
  shape.linkFile = "estimate.xml";  // the photo-link file of "estimate.vek"
  const bench::Corpus corpus = bench::MakeCorpus(top + "/corpus", shape);
  bench::PrintCorpus(corpus);
  const std::string vek = top + "/estimate.vek", cab = top + "/estimate.cab";
  if (!bench::MakeEstimate(corpus, cab, vek)) return 2;
  std::printf("estimate: %.1f MB (cabinet %.1f MB)\n", bench::MB(bench::SizeOf(vek)), bench::MB(bench::SizeOf(cab)));
  SetUpInstallation(top);

  const std::string oursVek = top + "/ours.vek", oursImages = top + "/images-ours";
  const std::string peer = top + "/peer", peerCab = top + "/peer.cab", peerImages = top + "/images-peer";
  auto runOurs = [&]() {
    bench::RemoveTree(oursImages);
    bench::MakeFolder(oursImages);
    std::remove(oursVek.c_str());
    return bench::RunChild({self, "ours", libs, vek, oursVek, oursImages});
  };
  auto runPeers = [&](bench::Sample steps[4]) {
    bench::RemoveTree(peer);
    bench::RemoveTree(peerImages);
    bench::MakeFolder(peerImages);
    std::remove(peerCab.c_str());
    steps[0] = bench::RunChild({"cabextract", "-q", "-d", peer, cab});
    steps[1] = bench::RunChild(
        {"sh", "-c", "cp -n -t " + bench::Quoted(peerImages) + " Image/*.jpg estimate.xml && rm -rf Image OvSvIg0001.sld"},
        peer);
    std::vector<std::string> gcab = {"gcab", "-c", "-z", peerCab};
    for (const std::string& f : bench::TreeFiles(peer)) gcab.push_back(f);
    steps[2] = bench::RunChild(gcab, peer);
    steps[3] = bench::RunChild({"rm", "-rf", peer});
  };

  bench::Measure floor, ours, peers, step[4];
  floor.Keep(bench::RunChild({"true"}));
  for (int run = 0; run < runs; ++run) {
    // Alternate which goes first, so neither always pays for what the other left behind.
    bench::Sample s[4];
    if (run % 2 == 0) ours.Keep(runOurs());
    runPeers(s);
    if (run % 2 == 1) ours.Keep(runOurs());
    for (int i = 0; i < 4; ++i) step[i].Keep(s[i]);
    peers.Keep(s[0] + s[1] + s[2] + s[3]);
  }

  // Both took out the same files and kept the same ones.
  const bool sameImages = SameTrees(oursImages, peerImages);
  std::size_t taken = 0;
  const std::uint64_t takenBytes = bench::TreeBytes(oursImages, taken);
  const bool sameKept = UnpackEstimate(oursVek, top + "/check-ours") &&
                        bench::Shell("cabextract -q -d " + bench::Quoted(top + "/check-peer") + " " +
                                     bench::Quoted(peerCab)) &&
                        SameTrees(top + "/check-ours", top + "/check-peer");

  std::printf("best of %d runs; peak: the child's maximum resident set (a spawned child starts with the\n"
              "spawner's pages: `true` measures %.1f MiB); ours also reports its own high-water mark\n",
              runs, bench::MiB(floor.peakKiB));
  bench::Report("imgdata", "ours ZkGetImgData", ours);
  bench::Report("imgdata", "peers, all steps", peers);
  bench::Report("  step", "cabextract", step[0]);
  bench::Report("  step", "cp images + rm", step[1]);
  bench::Report("  step", "gcab -c -z", step[2]);
  bench::Report("  step", "rm work folder", step[3]);
  std::printf("imgdata ratio ours/peers: time %.3f   peak memory of ours %.1f MiB (own %.1f MiB)\n",
              ours.seconds / peers.seconds, bench::MiB(ours.peakKiB), bench::MiB(ours.ownPeakKiB));
  std::printf("taken out: %zu files, %.1f MB; stripped estimate %.1f MB, peers' cabinet %.1f MB\n", taken,
              bench::MB(takenBytes), bench::MB(bench::SizeOf(oursVek)), bench::MB(bench::SizeOf(peerCab)));
  std::printf("image folders %s; stripped estimate %s the peers' cabinet\n", sameImages ? "match" : "DO NOT MATCH",
              sameKept ? "holds the same files as" : "DOES NOT MATCH");
  if (std::getenv("VEK_BENCH_KEEP")) {
    std::printf("kept %s\n", top.c_str());
  } else {
    bench::RemoveTree(top);
  }
  return ours.ok && peers.ok && sameImages && sameKept ? 0 : 1;
}
