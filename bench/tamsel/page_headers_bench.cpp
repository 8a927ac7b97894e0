// Filling one page of the selection list: the header summaries of ten estimates of 200 MB each, read through
// the header library's stand-in as the control reads them (OvGetHeader kind 1 into a zeroed 512-byte buffer),
// against `cabextract -l` listing the ten cabinets of the same estimates, in one run. Every measured step runs
// in a process of its own; the estimates are gcab's cabinet of a generated corpus, wrapped by the fixture
// generator. Two figures: the whole process of each side for the page, and the page's own work, which is what
// ten estimates cost beyond one (so neither side's process start, C++ runtime or library load counts: the
// control reads a page with the library loaded already).
//
//   tamsel_page_headers_bench [estimate MB (default 200)] [runs (default 20)]
//   tamsel_page_headers_bench ours <library folder> <estimate>...   (a child: ours)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "OvSvInfo.h"
#include "bench_support.h"
#include "platform/module.h"

namespace {

constexpr int kPage = 10;

// As the control calls the library: loaded once for the page, each header read into a zeroed buffer. Every
// estimate must give its summary and tell its photo-link file.
int OursChild(const char* libs, int count, char** estimates) {
  platform::ModuleHandle library = platform::LoadModuleFrom(std::string(libs) + "/libOvSvInfo.so", nullptr);
  if (!library) {
    std::fprintf(stderr, "cannot load libOvSvInfo.so: %s\n", platform::ModuleError().c_str());
    return 3;
  }
  auto getHeader = platform::GetFunctionAs<OvGetHeaderFunc>(library, "OvGetHeader");
  int failures = getHeader ? 0 : count;
  for (int i = 0; getHeader && i < count; ++i) {
    char buffer[OVSVINFO_HEADER_BUFFER_SIZE] = {};
    if (getHeader(OVSVINFO_KIND_SHORT_SUMMARY, estimates[i], buffer) == -1 || buffer[145] != 0 || buffer[146] != 1) {
      std::fprintf(stderr, "no summary with its photo-link file from %s\n", estimates[i]);
      ++failures;
    }
  }
  platform::FreeModule(library);
  bench::ReportOwnPeak();
  return failures == 0 ? 0 : 1;
}

// cabextract's listing of a cabinet names the photo-link file.
bool PeerListsTheLinkFile(const std::string& cab) {
  return bench::Shell("cabextract -l " + bench::Quoted(cab) + " | grep -q 'estimate.xml'");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "ours") == 0) return OursChild(argv[2], argc - 3, argv + 3);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  const std::string self = bench::SelfPath();
  const std::string libs = self.substr(0, self.rfind('/')) + "/../lib";
  const std::string top = bench::MakeTempFolder("vek-tamsel-bench");
  if (self.empty() || top.empty()) return 2;

  std::printf("generating %llu MB in %s ...\n", static_cast<unsigned long long>(megabytes), top.c_str());
  bench::CorpusShape shape;
  shape.totalBytes = megabytes * 1000000ull;
  shape.linkFile = "estimate.xml";
  const bench::Corpus corpus = bench::MakeCorpus(top + "/corpus", shape);
  bench::PrintCorpus(corpus);
  const std::string first = top + "/e01.vek";
  if (!bench::MakeEstimate(corpus, top + "/packed.cab", first)) return 2;
  bench::RemoveTree(corpus.root);
  std::remove((top + "/packed.cab").c_str());

  // Ten estimates of the page, and each one's cabinet as the peer reads it.
  std::vector<std::string> estimates, cabinets;
  for (int i = 1; i <= kPage; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "e%02d", i);
    const std::string vek = top + "/" + name + ".vek", cab = top + "/" + name + ".cab";
    if (i > 1 && !bench::Shell("cp " + bench::Quoted(first) + " " + bench::Quoted(vek))) return 2;
    if (!bench::TakeCabinet(vek, cab)) return 2;
    estimates.push_back(vek);
    cabinets.push_back(cab);
  }
  std::printf("page: %d estimates of %.1f MB (cabinets of %.1f MB)\n", kPage, bench::MB(bench::SizeOf(first)),
              bench::MB(bench::SizeOf(cabinets[0])));

  auto oursOf = [&](std::size_t count) {
    std::vector<std::string> args = {self, "ours", libs};
    args.insert(args.end(), estimates.begin(), estimates.begin() + static_cast<std::ptrdiff_t>(count));
    return args;
  };
  auto peerOf = [&](std::size_t count) {
    std::vector<std::string> args = {"cabextract", "-l"};
    args.insert(args.end(), cabinets.begin(), cabinets.begin() + static_cast<std::ptrdiff_t>(count));
    return args;
  };

  bench::Measure floor, ours10, peer10, ours1, peer1;
  floor.Keep(bench::RunChild({"true"}));
  for (int run = 0; run < runs; ++run) {
    // Alternate which goes first, so neither always pays for what the other left behind.
    if (run % 2 == 0) {
      ours10.Keep(bench::RunChild(oursOf(kPage)));
      ours1.Keep(bench::RunChild(oursOf(1)));
    }
    peer10.Keep(bench::RunChild(peerOf(kPage)));
    peer1.Keep(bench::RunChild(peerOf(1)));
    if (run % 2 == 1) {
      ours10.Keep(bench::RunChild(oursOf(kPage)));
      ours1.Keep(bench::RunChild(oursOf(1)));
    }
    floor.Keep(bench::RunChild({"true"}));
  }
  const bool peerSees = PeerListsTheLinkFile(cabinets[0]);
  // The page's own work: ten estimates' worth at the cost of each one beyond the first.
  auto pageWork = [](const bench::Measure& ten, const bench::Measure& one) {
    return std::max(0.0, (ten.seconds - one.seconds) * kPage / (kPage - 1));
  };
  const double oursPage = pageWork(ours10, ours1), peerPage = pageWork(peer10, peer1);

  std::printf("best of %d runs; each side one process (`true` alone: %.4f s, %.1f MiB)\n", runs, floor.seconds,
              bench::MiB(floor.peakKiB));
  bench::Report("process", "ours OvGetHeader x10", ours10);
  bench::Report("process", "ours OvGetHeader x1", ours1);
  bench::Report("process", "cabextract -l x10", peer10);
  bench::Report("process", "cabextract -l x1", peer1);
  std::printf("process ratio ours/peer for the page: time %.3f   peak memory of ours %.1f MiB (own %.1f MiB)\n",
              ours10.seconds / peer10.seconds, bench::MiB(ours10.peakKiB), bench::MiB(ours10.ownPeakKiB));
  std::printf("page work (ten estimates beyond the process start): ours %.6f s, peer %.6f s\n", oursPage, peerPage);
  std::printf("page ratio ours/peer: time %.3f\n", peerPage > 0 ? oursPage / peerPage : 0.0);
  std::printf("both tell the photo-link file: %s\n", ours10.ok && ours1.ok && peerSees ? "yes" : "NO");
  if (std::getenv("VEK_BENCH_KEEP")) {
    std::printf("kept %s\n", top.c_str());
  } else {
    bench::RemoveTree(top);
  }
  return ours10.ok && ours1.ok && peer10.ok && peer1.ok && peerSees ? 0 : 1;
}
