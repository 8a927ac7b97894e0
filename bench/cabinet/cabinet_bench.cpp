// Pakkel's CompressFile against `gcab -c -z` and its UncompressFile against `cabextract`, on one generated
// corpus (mostly incompressible JPEG-like files, some text), in one run. Every measured step runs in a
// process of its own, so its time and peak memory are its own.
//
//   cabinet_bench [corpus MB (default 200)] [runs (default 3)]
//   cabinet_bench pack <list file> <base prefix> <cabinet>     (a child: our packing)
//   cabinet_bench unpack <cabinet> <folder>                    (a child: our unpacking)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Pakkel.h"
#include "bench_support.h"
#include "platform/module.h"

namespace {

// ---- Children: our packing and unpacking, loaded as Dorvik loads Pakkel.

int PackChild(const char* listFile, const char* base, const char* cab) {
  std::ifstream in(listFile);
  std::vector<std::string> names;
  for (std::string line; std::getline(in, line);) names.push_back(line);
  std::vector<char*> files;
  for (std::string& n : names) files.push_back(n.data());
  platform::ModuleHandle m = platform::LoadModule("Pakkel.dll");
  if (!m) return 3;
  auto compress = platform::GetFunctionAs<PakkelCompressFileFn>(m, "CompressFile");
  int r = compress ? compress(static_cast<int>(files.size()), base, files.data(), cab) : 0;
  platform::FreeModule(m);
  bench::ReportOwnPeak();
  return r == 1 ? 0 : 1;
}

int UnpackChild(const char* cab, const char* folder) {
  platform::ModuleHandle m = platform::LoadModule("Pakkel.dll");
  if (!m) return 3;
  auto uncompress = platform::GetFunctionAs<UncompressFileFn>(m, "UncompressFile");
  int r = uncompress ? uncompress(cab, folder) : 0;
  platform::FreeModule(m);
  bench::ReportOwnPeak();
  return r == 1 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "pack") == 0) return PackChild(argv[2], argv[3], argv[4]);
  if (argc == 4 && std::strcmp(argv[1], "unpack") == 0) return UnpackChild(argv[2], argv[3]);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const std::string self = bench::SelfPath();
  const std::string top = bench::MakeTempFolder("vek-cabinet-bench");
  if (self.empty() || top.empty()) return 2;
  std::printf("generating %llu MB in %s ...\n", static_cast<unsigned long long>(megabytes), top.c_str());
  bench::CorpusShape shape;
  shape.totalBytes = megabytes * 1000000ull;
  shape.textShare = 0.05;
  shape.photoMin = 150000;
  shape.photoMax = 850000;
  shape.seed = 0x9E3779B97F4A7C15ull;
  const bench::Corpus corpus = bench::MakeCorpus(top + "/Work", shape);
  bench::PrintCorpus(corpus);

  const std::string list = top + "/list.txt";
  {
    std::ofstream out(list);
    for (const std::string& f : corpus.files) out << corpus.root << "/" << f << "\n";
  }
  const std::string ours = top + "/ours.cab", theirs = top + "/gcab.cab";
  std::vector<std::string> gcab = {"gcab", "-c", "-z", theirs};
  gcab.insert(gcab.end(), corpus.files.begin(), corpus.files.end());
  const std::vector<std::string> packOursArgs = {self, "pack", list, corpus.root, ours};

  bench::Measure packOurs, packGcab, unpackOurs, unpackCabextract, floor;
  floor.Keep(bench::RunChild({"true"}));
  // Alternate which goes first, so neither always pays for what the other left behind.
  for (int run = 0; run < runs; ++run) {
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
    if (run % 2 == 0) packOurs.Keep(bench::RunChild(packOursArgs));
    packGcab.Keep(bench::RunChild(gcab, corpus.root));
    if (run % 2 == 1) packOurs.Keep(bench::RunChild(packOursArgs));
  }
  // Both unpack the same cabinet: ours. Every run unpacks into folders of its own, removed only at the end:
  // a file system that has just deleted many files makes the next ones slower to create (ext4 passes over
  // recently freed inodes), which would charge one side for what the benchmark itself deleted.
  std::string outOurs, outPeer;
  for (int run = 0; run < runs; ++run) {
    outOurs = top + "/out-ours-" + std::to_string(run);
    outPeer = top + "/out-cabextract-" + std::to_string(run);
    bench::MakeFolder(outOurs);
    const std::vector<std::string> unpackOursArgs = {self, "unpack", ours, outOurs};
    const std::vector<std::string> cabextract = {"cabextract", "-q", "-d", outPeer, ours};
    if (run % 2 == 0) unpackOurs.Keep(bench::RunChild(unpackOursArgs));
    unpackCabextract.Keep(bench::RunChild(cabextract));
    if (run % 2 == 1) unpackOurs.Keep(bench::RunChild(unpackOursArgs));
  }
  std::size_t countOurs = 0, countPeer = 0;
  const std::uint64_t bytesOurs = bench::TreeBytes(outOurs, countOurs);
  const std::uint64_t bytesPeer = bench::TreeBytes(outPeer, countPeer);
  const std::uint64_t sizeOurs = bench::SizeOf(ours), sizeGcab = bench::SizeOf(theirs);

  std::printf("best of %d runs; peak: the child's maximum resident set (a spawned child starts with the\n"
              "spawner's pages: `true` measures %.1f MiB); ours also reports its own high-water mark\n",
              runs, bench::MiB(floor.peakKiB));
  bench::Report("pack", "ours", packOurs);
  bench::Report("pack", "gcab -c -z", packGcab);
  std::printf("pack    ratio ours/gcab: time %.3f, size %.4f (ours %.3f MB, gcab %.3f MB)\n",
              packOurs.seconds / packGcab.seconds, static_cast<double>(sizeOurs) / static_cast<double>(sizeGcab),
              bench::MB(sizeOurs), bench::MB(sizeGcab));
  bench::Report("unpack", "ours", unpackOurs);
  bench::Report("unpack", "cabextract", unpackCabextract);
  std::printf("unpack  ratio ours/cabextract: time %.3f (ours %zu files %.1f MB, cabextract %zu files %.1f MB)\n",
              unpackOurs.seconds / unpackCabextract.seconds, countOurs, bench::MB(bytesOurs), countPeer,
              bench::MB(bytesPeer));
  const bool same = countOurs == corpus.files.size() && bytesOurs == corpus.bytes && countPeer == countOurs &&
                    bytesPeer == bytesOurs;
  std::printf("unpacked trees %s the corpus\n", same ? "match" : "DO NOT MATCH");
  if (std::getenv("VEK_BENCH_KEEP")) {
    std::printf("kept %s\n", top.c_str());
  } else {
    bench::RemoveTree(top);
  }
  return packOurs.ok && packGcab.ok && unpackOurs.ok && unpackCabextract.ok && same ? 0 : 1;
}
