// Pakkel's CompressFile against `gcab -c -z` and its UncompressFile against `cabextract`, on one generated
// corpus (mostly incompressible JPEG-like files, some text), in one run. Every measured step runs in a
// process of its own, so its time and peak memory are its own.
//
//   cabinet_bench [corpus MB (default 200)] [runs (default 3)]
//   cabinet_bench pack <list file> <base prefix> <cabinet>     (a child: our packing)
//   cabinet_bench unpack <cabinet> <folder>                    (a child: our unpacking)
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Pakkel.h"
#include "platform/module.h"

extern char** environ;

namespace {

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// ---- Children: our packing and unpacking, loaded as Dorvik loads Pakkel.

// The child's own high-water mark of resident memory (a spawned child's rusage also counts the
// spawner's pages it started with), into the file $VEK_BENCH_PEAK names.
void ReportPeak() {
  const char* out = std::getenv("VEK_BENCH_PEAK");
  if (!out) return;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) {
      std::ofstream(out) << std::strtol(line.c_str() + 6, nullptr, 10) << "\n";
    }
  }
}

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
  ReportPeak();
  return r == 1 ? 0 : 1;
}

int UnpackChild(const char* cab, const char* folder) {
  platform::ModuleHandle m = platform::LoadModule("Pakkel.dll");
  if (!m) return 3;
  auto uncompress = platform::GetFunctionAs<UncompressFileFn>(m, "UncompressFile");
  int r = uncompress ? uncompress(cab, folder) : 0;
  platform::FreeModule(m);
  ReportPeak();
  return r == 1 ? 0 : 1;
}

// ---- The corpus.

struct Random {
  std::uint64_t s;
  std::uint64_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
};

void WriteFileOf(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string JpegLike(std::size_t size, Random& r) {
  std::string b(size, '\0');
  for (std::size_t i = 0; i + 8 <= size; i += 8) {
    std::uint64_t v = r.Next();
    std::memcpy(&b[i], &v, 8);
  }
  const char head[] = "\xFF\xD8\xFF\xE0\x00\x10JFIF";
  std::memcpy(&b[0], head, sizeof head - 1);
  b[size - 2] = '\xFF';
  b[size - 1] = '\xD9';
  return b;
}

std::string TextLike(std::size_t size, Random& r) {
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    int len = 2 + static_cast<int>(r.Next() % 9);
    for (int k = 0; k < len; ++k) w += static_cast<char>('a' + r.Next() % 26);
    words.push_back(w);
  }
  std::string out;
  out.reserve(size + 16);
  while (out.size() < size) {
    out += "Key" + std::to_string(r.Next() % 500) + "=" + words[r.Next() % words.size()] + " " +
           words[r.Next() % words.size()] + "\r\n";
  }
  out.resize(size);
  return out;
}

struct Corpus {
  std::string root;                // the work folder
  std::vector<std::string> files;  // relative names
  std::uint64_t bytes = 0, jpegBytes = 0;
};

Corpus MakeCorpus(const std::string& root, std::uint64_t totalBytes) {
  Corpus c;
  c.root = root;
  mkdir(root.c_str(), 0755);
  mkdir((root + "/Image").c_str(), 0755);
  mkdir((root + "/db").c_str(), 0755);
  Random r{0x9E3779B97F4A7C15ull};
  const std::uint64_t textBytes = totalBytes / 20;  // about 5% text
  for (int i = 0; c.bytes < textBytes; ++i) {
    std::string name = "db/table" + std::to_string(i) + ".txt";
    std::string t = TextLike(400000 + r.Next() % 400000, r);
    WriteFileOf(root + "/" + name, t);
    c.files.push_back(name);
    c.bytes += t.size();
  }
  const std::string header = "[General]\r\nSignature=HEADERDT\r\n";
  WriteFileOf(root + "/HeaderDt.ini", header);
  c.bytes += header.size();
  c.files.push_back("HeaderDt.ini");
  for (int i = 1; c.bytes < totalBytes; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Image/P%04d.jpg", i);
    std::string j = JpegLike(150000 + r.Next() % 700000, r);
    WriteFileOf(root + "/" + name, j);
    c.files.push_back(name);
    c.bytes += j.size();
    c.jpegBytes += j.size();
  }
  return c;
}

// ---- Running a child and measuring it.

struct Measure {
  double seconds = 1e30;
  long peakKiB = 0;      // rusage of the child
  long ownPeakKiB = -1;  // what the child reports of itself (ours only)
  bool ok = true;
};

void RunChild(const std::vector<std::string>& args, const std::string& folder, Measure& m) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const std::string peakFile = "/tmp/vek-cabinet-bench-peak-" + std::to_string(getpid());
  setenv("VEK_BENCH_PEAK", peakFile.c_str(), 1);
  std::remove(peakFile.c_str());
  sync();  // what the last step wrote is not written back during this one
  double start = Now();
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    m.ok = false;
    return;
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  double seconds = Now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) m.ok = false;
  m.seconds = std::min(m.seconds, seconds);
  m.peakKiB = std::max(m.peakKiB, usage.ru_maxrss);
  std::ifstream own(peakFile);
  long kib = -1;
  if (own >> kib) m.ownPeakKiB = std::max(m.ownPeakKiB, kib);
  std::remove(peakFile.c_str());
}

std::uint64_t SizeOf(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// Total bytes of the regular files under a folder.
std::uint64_t TreeBytes(const std::string& folder, std::size_t& count) {
  std::uint64_t total = 0;
  DIR* d = opendir(folder.c_str());
  if (!d) return 0;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string p = folder + "/" + n;
    struct stat st{};
    if (lstat(p.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      total += TreeBytes(p, count);
    } else if (S_ISREG(st.st_mode)) {
      total += static_cast<std::uint64_t>(st.st_size);
      ++count;
    }
  }
  closedir(d);
  return total;
}

void RemoveTree(const std::string& path) {
  std::string cmd = "rm -rf '" + path + "'";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path.c_str());
}

double MiB(long kib) { return static_cast<double>(kib) / 1024.0; }
double MB(std::uint64_t bytes) { return static_cast<double>(bytes) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "pack") == 0) return PackChild(argv[2], argv[3], argv[4]);
  if (argc == 4 && std::strcmp(argv[1], "unpack") == 0) return UnpackChild(argv[2], argv[3]);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 2;
  self[n] = '\0';

  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vek-cabinet-bench-XXXXXX";
  if (!mkdtemp(pattern.data())) return 2;
  const std::string top = pattern;
  std::printf("generating %llu MB in %s ...\n", static_cast<unsigned long long>(megabytes), top.c_str());
  Corpus corpus = MakeCorpus(top + "/Work", megabytes * 1000000ull);
  std::printf("corpus: %zu files, %.1f MB (%.1f MB JPEG-like, %.1f MB text)\n", corpus.files.size(), MB(corpus.bytes),
              MB(corpus.jpegBytes), MB(corpus.bytes - corpus.jpegBytes));

  const std::string list = top + "/list.txt";
  {
    std::ofstream out(list);
    for (const std::string& f : corpus.files) out << corpus.root << "/" << f << "\n";
  }
  const std::string ours = top + "/ours.cab", theirs = top + "/gcab.cab";
  std::vector<std::string> gcab = {"gcab", "-c", "-z", theirs};
  gcab.insert(gcab.end(), corpus.files.begin(), corpus.files.end());

  Measure packOurs, packGcab, unpackOurs, unpackCabextract, floor;
  RunChild({"true"}, "", floor);
  // Alternate which goes first, so neither always pays for what the other left behind.
  for (int run = 0; run < runs; ++run) {
    std::remove(ours.c_str());
    std::remove(theirs.c_str());
    if (run % 2 == 0) {
      RunChild({self, "pack", list, corpus.root, ours}, "", packOurs);
      RunChild(gcab, corpus.root, packGcab);
    } else {
      RunChild(gcab, corpus.root, packGcab);
      RunChild({self, "pack", list, corpus.root, ours}, "", packOurs);
    }
  }
  // Both unpack the same cabinet: ours.
  for (int run = 0; run < runs; ++run) {
    RemoveTree(top + "/out-ours");
    RemoveTree(top + "/out-cabextract");
    mkdir((top + "/out-ours").c_str(), 0755);
    if (run % 2 == 0) {
      RunChild({self, "unpack", ours, top + "/out-ours"}, "", unpackOurs);
      RunChild({"cabextract", "-q", "-d", top + "/out-cabextract", ours}, "", unpackCabextract);
    } else {
      RunChild({"cabextract", "-q", "-d", top + "/out-cabextract", ours}, "", unpackCabextract);
      RunChild({self, "unpack", ours, top + "/out-ours"}, "", unpackOurs);
    }
  }
  std::size_t countOurs = 0, countPeer = 0;
  std::uint64_t bytesOurs = TreeBytes(top + "/out-ours", countOurs);
  std::uint64_t bytesPeer = TreeBytes(top + "/out-cabextract", countPeer);
  const std::uint64_t sizeOurs = SizeOf(ours), sizeGcab = SizeOf(theirs);

  std::printf("best of %d runs; peak: the child's maximum resident set (a spawned child starts with the\n"
              "spawner's pages: `true` measures %.1f MiB); ours also reports its own high-water mark\n",
              runs, MiB(floor.peakKiB));
  std::printf("pack    ours        %7.3f s  %9.3f MB  peak %6.1f MiB (own %.1f MiB)%s\n", packOurs.seconds,
              MB(sizeOurs), MiB(packOurs.peakKiB), MiB(packOurs.ownPeakKiB), packOurs.ok ? "" : "  FAILED");
  std::printf("pack    gcab -c -z  %7.3f s  %9.3f MB  peak %6.1f MiB%s\n", packGcab.seconds, MB(sizeGcab),
              MiB(packGcab.peakKiB), packGcab.ok ? "" : "  FAILED");
  std::printf("pack    ratio ours/gcab: time %.3f, size %.4f\n", packOurs.seconds / packGcab.seconds,
              static_cast<double>(sizeOurs) / static_cast<double>(sizeGcab));
  std::printf("unpack  ours        %7.3f s  %zu files %.1f MB  peak %6.1f MiB (own %.1f MiB)%s\n",
              unpackOurs.seconds, countOurs, MB(bytesOurs), MiB(unpackOurs.peakKiB), MiB(unpackOurs.ownPeakKiB),
              unpackOurs.ok ? "" : "  FAILED");
  std::printf("unpack  cabextract  %7.3f s  %zu files %.1f MB  peak %6.1f MiB%s\n", unpackCabextract.seconds,
              countPeer, MB(bytesPeer), MiB(unpackCabextract.peakKiB), unpackCabextract.ok ? "" : "  FAILED");
  std::printf("unpack  ratio ours/cabextract: time %.3f\n", unpackOurs.seconds / unpackCabextract.seconds);
  const bool same = countOurs == corpus.files.size() && bytesOurs == corpus.bytes && countPeer == countOurs &&
                    bytesPeer == bytesOurs;
  std::printf("unpacked trees %s the corpus\n", same ? "match" : "DO NOT MATCH");
  if (std::getenv("VEK_BENCH_KEEP")) {
    std::printf("kept %s\n", top.c_str());
  } else {
    RemoveTree(top);
  }
  return packOurs.ok && packGcab.ok && unpackOurs.ok && unpackCabextract.ok && same ? 0 : 1;
}
