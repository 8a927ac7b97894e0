// Saving a work folder as an estimate file (SaveVekFileEx) against `gcab -c -z` packing the same files and `cp -r`
// copying them, and opening the estimate file into a new work folder against `cabextract` unpacking the same
// cabinet (alone, and after a `cp` of the cabinet, the staging the opening does), on one generated work folder,
// in one run. Every measured step runs in a process of its own, so its time and peak memory are its own. The
// opening is measured without the database version check (no checker takes part), so both sides do the same
// cabinet work.
//
//   dorvik_open_save_bench [work folder MB (default 200)] [runs (default 4)] [shape (default photos)]
//     photos   photographs of JPEG-like data, databases of text, INI files
//     jpeg     photographs only (and databases of one byte)
//     text     databases of text and INI files only
//     files:N  N files of 1 KB (run it with TMPDIR on a tmpfs: the cost of each file, not of the disk); the
//              size is then N KB and the first argument is not used
//   dorvik_open_save_bench save <work folder> <estimate file>   (a child: our saving)
//   dorvik_open_save_bench open <estimate file> <work folder>   (a child: our opening)
//   dorvik_open_save_bench start                                 (a child that only starts: the floor of ours)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"
#include "bench_support.h"

namespace {

int SaveChild(const char* work, const char* vek) {
  char code[10] = {};
  const int r = SaveVekFileEx(work, vek, code);
  bench::ReportOwnPeak();
  if (r == 1) return 0;
  std::fprintf(stderr, "save failed: %.9s\n", code);
  return 1;
}

int OpenChild(const char* vek, const char* work) {
  char code[10] = {};
  CZkVekFileOperation operation(vek);
  const int r = operation.OpenVekFile(work, code);
  bench::ReportOwnPeak();
  if (r == 1) return 0;
  std::fprintf(stderr, "open failed: %.9s\n", code);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "save") == 0) return SaveChild(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "open") == 0) return OpenChild(argv[2], argv[3]);
  if (argc == 2 && std::strcmp(argv[1], "start") == 0) return 0;
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 4;
  const std::string kind = argc > 3 ? argv[3] : "photos";
  const std::string self = bench::SelfPath();
  const std::string top = bench::MakeTempFolder("vek-open-save-bench");
  if (self.empty() || top.empty()) return 2;

  const std::string work = top + "/work", vek = top + "/estimate.vek", gcabCab = top + "/gcab.cab";
  const std::string ourCab = top + "/ours.cab";
  bench::CorpusShape shape;
  shape.totalBytes = megabytes * 1000000ull;
  if (kind == "text") {
    shape.textShare = 1.0;
  } else if (kind == "jpeg") {
    shape.textShare = 0;
  } else if (kind.rfind("files:", 0) == 0) {
    const std::uint64_t files = std::max<std::uint64_t>(std::strtoull(kind.c_str() + 6, nullptr, 10), 5);
    shape.textShare = 0;  // databases of one byte
    shape.photoMin = shape.photoMax = 1000;
    shape.totalBytes = (files - 4) * 1000;
  } else if (kind != "photos") {
    std::fprintf(stderr, "unknown shape %s\n", kind.c_str());
    return 2;
  }
  const bench::Corpus corpus = bench::MakeCorpus(work, shape);
  // A cabinet holds no folder without files: an empty one would not come back.
  if (corpus.photos.empty()) bench::Shell("rmdir " + bench::Quoted(work + "/Image"));
  bench::PrintCorpus(corpus);
  std::printf("in %s; this process's own peak before the children: %.1f MiB\n", top.c_str(),
              bench::MiB(bench::OwnPeakKiB()));

  std::vector<std::string> gcab = {"gcab", "-c", "-z", gcabCab};
  gcab.insert(gcab.end(), corpus.files.begin(), corpus.files.end());
  bench::Measure save, pack, copy, open, unpack, staged;
  for (int run = 0; run < runs; ++run) {
    std::remove(gcabCab.c_str());
    pack.Keep(bench::RunChild(gcab, work));
    // The same bytes copied as files, each run into a folder of its own (removed at the end, see below).
    copy.Keep(bench::RunChild({"cp", "-r", work, top + "/copy-" + std::to_string(run)}));
    save.Keep(bench::RunChild({self, "save", work, vek}));
  }
  if (!bench::TakeCabinet(vek, ourCab)) std::fprintf(stderr, "the cabinet could not be taken out\n");
  // Every run unpacks into folders of its own, removed only at the end: a file system that has just deleted
  // many files makes the next ones slower to create (ext4 passes over recently freed inodes), which would
  // charge one side for what the benchmark itself deleted. The order turns from run to run.
  std::string outOurs, outPeer;
  for (int run = 0; run < runs; ++run) {
    const std::string n = std::to_string(run);
    outOurs = top + "/out-ours-" + n;
    outPeer = top + "/out-cabextract-" + n;
    bench::MakeFolder(outOurs);
    if (run % 2 == 0) open.Keep(bench::RunChild({self, "open", vek, outOurs}));
    unpack.Keep(bench::RunChild({"cabextract", "-q", "-d", outPeer, ourCab}));
    // The peer with the staging that the opening does: the archive copied out as a cabinet file first.
    const std::string stagedCab = bench::Quoted(top + "/staged.cab");
    staged.Keep(bench::RunChild({"sh", "-c", "cp " + bench::Quoted(ourCab) + " " + stagedCab +
                                                 " && cabextract -q -d " + bench::Quoted(top + "/out-staged-" + n) +
                                                 " " + stagedCab + " && rm " + stagedCab}));
    if (run % 2 == 1) open.Keep(bench::RunChild({self, "open", vek, outOurs}));
  }
  // What starting a process costs each side, in every step above.
  bench::Measure startOurs, startPeer;
  for (int run = 0; run < runs; ++run) {
    startOurs.Keep(bench::RunChild({self, "start"}));
    startPeer.Keep(bench::RunChild({"cabextract", "--version"}));
  }
  const bool same = bench::Shell("diff -r -q " + bench::Quoted(work) + " " + bench::Quoted(outPeer) +
                                 " >/dev/null && diff -r -q -x HeaderDt.ini -x HistryDt.ini " + bench::Quoted(work) +
                                 " " + bench::Quoted(outOurs) + " >/dev/null");

  std::printf("best of %d runs; peak memory is the child's maximum resident set (own: what ours reports)\n", runs);
  bench::Report("save", "ours", save);
  bench::Report("save", "gcab -c -z", pack);
  bench::Report("save", "cp -r", copy);
  const std::uint64_t vekSize = bench::SizeOf(vek), gcabSize = bench::SizeOf(gcabCab);
  std::printf("save    ratio ours/gcab: time %.3f; ours/cp: time %.3f\n", save.seconds / pack.seconds,
              save.seconds / copy.seconds);
  std::printf("save    estimate %llu bytes (cabinet %llu), gcab cabinet %llu bytes: size ours/gcab %.5f\n",
              static_cast<unsigned long long>(vekSize), static_cast<unsigned long long>(bench::SizeOf(ourCab)),
              static_cast<unsigned long long>(gcabSize),
              static_cast<double>(bench::SizeOf(ourCab)) / static_cast<double>(gcabSize));
  bench::Report("open", "ours", open);
  bench::Report("open", "cabextract", unpack);
  bench::Report("open", "cp+cabextract", staged);
  std::printf("open    ratio ours/cabextract: time %.3f; ours/(copy to a cabinet file + cabextract): time %.3f\n",
              open.seconds / unpack.seconds, open.seconds / staged.seconds);
  std::printf("start   ours %.4f s, cabextract %.4f s: a process that only starts, in every step above\n",
              startOurs.seconds, startPeer.seconds);
  std::printf("opened and unpacked folders %s the work folder\n", same ? "match" : "DO NOT MATCH");
  const bool small = save.peakKiB < 16 * 1024 && open.peakKiB < 16 * 1024;
  std::printf("peak memory of ours %s 16 MiB\n", small ? "under" : "NOT under");
  if (std::getenv("VEK_BENCH_KEEP")) {
    std::printf("kept %s\n", top.c_str());
  } else {
    bench::RemoveTree(top);
  }
  return save.ok && pack.ok && copy.ok && open.ok && unpack.ok && staged.ok && same ? 0 : 1;
}
