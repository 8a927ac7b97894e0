// What the benchmarks share: running a command in a process of its own and timing it, peak memory, a
// generated estimate-like corpus and an estimate file made from it by the peers and the fixture generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// ---- Time, files, folders.

double Now();  // monotonic, seconds
std::string SelfPath();  // this program's file
// A new folder $TMPDIR/<name>-XXXXXX (else under /tmp); empty when it cannot be made.
std::string MakeTempFolder(const std::string& name);
std::string Quoted(const std::string& text);  // for sh: in single quotes
bool Shell(const std::string& command);       // through sh; a failure is printed
void RemoveTree(const std::string& path);
void MakeFolder(const std::string& path);
std::uint64_t SizeOf(const std::string& path);
// Bytes and number of the regular files under a folder, sub-folders included.
std::uint64_t TreeBytes(const std::string& folder, std::size_t& count);
// Names of the regular files under a folder, relative to it, sorted.
std::vector<std::string> TreeFiles(const std::string& folder);
double MiB(long kib);
double MB(std::uint64_t bytes);

// ---- Measured children.

// A child's high-water mark of resident memory. What the system reports for a spawned child also counts the
// pages of the spawner it started with, so our own children report their own figure too.
long OwnPeakKiB();
// In a child: its own peak, into the file that $VEK_BENCH_PEAK names (nothing when unset).
void ReportOwnPeak();

struct Sample {
  double seconds = 0;
  long peakKiB = 0;      // the child's maximum resident set as the system counts it
  long ownPeakKiB = -1;  // what the child reported of itself (our own children only)
  bool ok = true;
};
// Steps run one after the other: times add up, peaks are the largest.
Sample operator+(const Sample& a, const Sample& b);

// Runs args (the first searched on PATH) in folder (empty: this one) with its output thrown away, after
// writing back what earlier steps left in the page cache; a failure to start or an exit code other than 0
// marks the sample failed.
Sample RunChild(const std::vector<std::string>& args, const std::string& folder = {});

// The best time and the largest peaks over several runs of one step.
struct Measure {
  double seconds = 1e30;
  long peakKiB = 0;
  long ownPeakKiB = -1;
  bool ok = true;
  void Keep(const Sample& s);
};

// "<step> <who>  seconds  peak [own]" on one line.
void Report(const char* step, const char* who, const Measure& m);

// ---- Corpus: an estimate's work folder.

// xorshift: the same corpus for the same seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : s_(seed) {}
  std::uint64_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return s_;
  }

 private:
  std::uint64_t s_;
};

// Written in chunks, so that making a large corpus keeps the maker small.
bool WriteJpegLike(const std::string& path, std::uint64_t size, Random& r);  // random bytes between JPEG marks
bool WriteTextLike(const std::string& path, std::uint64_t size, Random& r);  // lines of words, as text compresses

struct CorpusShape {
  std::uint64_t totalBytes = 200000000;
  double textShare = 0.06;  // of totalBytes, as the three databases
  std::uint64_t photoMin = 300000, photoMax = 3000000;
  std::string linkFile;  // a photo-link XML file of that name beside the databases; empty: none
  std::uint64_t seed = 0x243F6A8885A308D3ull;
};

struct Corpus {
  std::string root;                // the work folder
  std::vector<std::string> files;  // relative names, "/" between folders
  std::vector<std::string> photos;  // those of files under Image/
  std::uint64_t bytes = 0, photoBytes = 0;
};

// OvDBInfo.ini naming three databases of text, the photo-link file if asked, and Image/P0001.jpg and on until
// the total is reached.
Corpus MakeCorpus(const std::string& root, const CorpusShape& shape);
void PrintCorpus(const Corpus& c);

// ---- Estimate files.

// `gcab -c -z` packs the corpus into cab; the fixture generator wraps it as the estimate file vek, with a
// header whose image count is the corpus's.
bool MakeEstimate(const Corpus& c, const std::string& cab, const std::string& vek);
// The cabinet part of an estimate file, unscrambled, as a cabinet file (by the fixture generator).
bool TakeCabinet(const std::string& vek, const std::string& cab);

}  // namespace bench
