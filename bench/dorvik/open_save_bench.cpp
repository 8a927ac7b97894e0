// Saving a work folder as an estimate file (SaveVekFileEx) against `gcab -c -z` packing the same files, and
// opening the estimate file into a new work folder against `cabextract` unpacking the same cabinet, on one
// generated work folder (photographs of JPEG-like data, databases, INI files), in one run. Every measured step
// runs in a process of its own, so its time and peak memory are its own. The opening is measured without the
// database version check (no checker takes part), so both sides do the same cabinet work.
//
//   dorvik_open_save_bench [work folder MB (default 200)] [runs (default 2)]
//   dorvik_open_save_bench save <work folder> <estimate file>   (a child: our saving)
//   dorvik_open_save_bench open <estimate file> <work folder>   (a child: our opening)
//   dorvik_open_save_bench make <work folder> <MB> <list file>   (a child: the work folder)
// The work folder is made by a child too, so that the parent stays small: a child's peak memory as the system
// counts it is never below the parent's at the moment the child was started.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkVekBufferAccess.h"
#include "ZkVekFileOperation.h"

extern char** environ;

namespace {

double Seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int SaveChild(const char* work, const char* vek) {
  char code[10] = {};
  if (SaveVekFileEx(work, vek, code) == 1) return 0;
  std::fprintf(stderr, "save failed: %.9s\n", code);
  return 1;
}

int OpenChild(const char* vek, const char* work) {
  char code[10] = {};
  CZkVekFileOperation operation(vek);
  if (operation.OpenVekFile(work, code) == 1) return 0;
  std::fprintf(stderr, "open failed: %.9s\n", code);
  return 1;
}

// ---- The work folder: photographs of random bytes behind a JPEG header, databases, INI files.

class Bytes {
 public:
  explicit Bytes(std::uint64_t seed) : s_(seed) {}
  std::string Photo(std::size_t size) {
    std::string b = Random(size);
    static const char kHead[] = "\xFF\xD8\xFF\xE1\x00\x18" "Exif";
    std::memcpy(b.data(), kHead, sizeof kHead - 1);
    b[size - 2] = '\xFF';
    b[size - 1] = '\xD9';
    return b;
  }
  // Records of a database: fixed-width rows, partly repeated, so that they compress as such files do.
  std::string Database(std::size_t size) {
    std::string out;
    out.reserve(size);
    while (out.size() < size) {
      std::string row = "ROW" + std::to_string(Next() % 100000) + ":" + std::string(40, 'A' + Next() % 26) +
                        Random(24);
      out += row;
    }
    out.resize(size);
    return out;
  }
  std::uint64_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 7;
    s_ ^= s_ << 17;
    return s_;
  }

 private:
  std::string Random(std::size_t size) {
    std::string b(size, '\0');
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
      std::uint64_t v = Next();
      std::memcpy(&b[i], &v, 8);
    }
    return b;
  }
  std::uint64_t s_;
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The relative names of the files made.
std::vector<std::string> MakeWorkFolder(const std::string& root, std::uint64_t total, std::uint64_t& made) {
  std::vector<std::string> names;
  mkdir(root.c_str(), 0755);
  mkdir((root + "/Image").c_str(), 0755);
  Bytes bytes(0x243F6A8885A308D3ull);
  auto add = [&](const std::string& name, const std::string& content) {
    Put(root + "/" + name, content);
    names.push_back(name);
    made += content.size();
  };
  add("OvDBInfo.ini",
      "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nInformationDB=OvSvIf0001.sld\r\n"
      "EstimateDB=OvSvEm0001.sld\r\nImageDB=OvSvIg0001.sld\r\n");
  add("OvSvIf0001.sld", bytes.Database(total / 100));
  add("OvSvEm0001.sld", bytes.Database(total / 25));
  add("OvSvIg0001.sld", bytes.Database(total / 100));
  for (int i = 1; made < total; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Image/P%04d.jpg", i);
    add(name, bytes.Photo(300000 + bytes.Next() % 2700000));
  }
  return names;
}

// The cabinet inside an estimate file, unscrambled, copied out in chunks.
bool TakeCabinet(const std::string& vek, const std::string& cab) {
  std::ifstream in(vek, std::ios::binary);
  char head[331];
  if (!in.read(head, sizeof head)) return false;
  std::int16_t count;
  std::memcpy(&count, head + 329, sizeof count);
  in.seekg(331 + 93 * static_cast<std::streamoff>(count));
  std::vector<char> chunk(64 << 10);  // small: the children's peak memory is never below this process's
  if (!in.read(chunk.data(), 32)) return false;
  CZkVekBufferAccess model;
  unsigned char plain[32];
  if (!model.BinaryDecode(plain, chunk.data(), 32, CZkVekBufferAccess::kTypeEstimateData)) return false;
  std::ofstream out(cab, std::ios::binary);
  out.write(reinterpret_cast<const char*>(plain), 32);
  while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
    out.write(chunk.data(), in.gcount());
  }
  return static_cast<bool>(out);
}

int MakeChild(const char* work, const char* megabytes, const char* listFile) {
  std::uint64_t made = 0;
  std::vector<std::string> names = MakeWorkFolder(work, std::strtoull(megabytes, nullptr, 10) * 1000000ull, made);
  std::ofstream list(listFile);
  for (const std::string& name : names) list << name << "\n";
  std::printf("work folder: %zu files, %.1f MB\n", names.size(), made / 1e6);
  return list ? 0 : 1;
}

// The largest resident set of this process so far, KiB.
long OwnPeakKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// ---- One measured child process.

struct Measure {
  double seconds = 1e30;
  long peakKiB = 0;
  bool ok = true;
};

void Measured(const std::vector<std::string>& args, const std::string& folder, Measure& m) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const double start = Seconds();
  pid_t pid;
  bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (!spawned || wait4(pid, &status, 0, &usage) < 0) {
    m.ok = false;
    return;
  }
  const double took = Seconds() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) m.ok = false;
  m.seconds = std::min(m.seconds, took);
  m.peakKiB = std::max(m.peakKiB, usage.ru_maxrss);
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

std::uint64_t SizeOf(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void Report(const char* step, const char* who, const Measure& m) {
  std::printf("%-6s %-12s %8.3f s  peak %7.1f MiB%s\n", step, who, m.seconds, m.peakKiB / 1024.0,
              m.ok ? "" : "  FAILED");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "save") == 0) return SaveChild(argv[2], argv[3]);
  if (argc == 4 && std::strcmp(argv[1], "open") == 0) return OpenChild(argv[2], argv[3]);
  if (argc == 5 && std::strcmp(argv[1], "make") == 0) return MakeChild(argv[2], argv[3], argv[4]);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 200;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 2;
  self[n] = '\0';

  const char* tmp = std::getenv("TMPDIR");
  std::string top = std::string(tmp && *tmp ? tmp : "/tmp") + "/vek-open-save-bench-XXXXXX";
  if (!mkdtemp(top.data())) return 2;
  const std::string work = top + "/work", vek = top + "/estimate.vek", gcabCab = top + "/gcab.cab";
  const std::string ourCab = top + "/ours.cab";
  const std::string listFile = top + "/files.txt";
  std::fflush(stdout);
  if (std::system(("'" + std::string(self) + "' make '" + work + "' " + std::to_string(megabytes) + " '" + listFile +
                   "'").c_str()) != 0) {
    return 2;
  }
  std::vector<std::string> files;
  {
    std::ifstream list(listFile);
    for (std::string line; std::getline(list, line);) files.push_back(line);
  }
  std::printf("in %s; this process's own peak before the children: %.1f MiB\n", top.c_str(), OwnPeakKiB() / 1024.0);

  std::vector<std::string> gcab = {"gcab", "-c", "-z", gcabCab};
  gcab.insert(gcab.end(), files.begin(), files.end());
  Measure save, pack, open, unpack, staged;
  for (int run = 0; run < runs; ++run) {
    std::remove(gcabCab.c_str());
    Measured(gcab, work, pack);
    Measured({self, "save", work, vek}, "", save);
  }
  if (!TakeCabinet(vek, ourCab)) std::fprintf(stderr, "the cabinet could not be taken out\n");
  for (int run = 0; run < runs; ++run) {
    Shell("rm -rf '" + top + "/out-cabextract' '" + top + "/out-ours' && mkdir '" + top + "/out-ours'");
    Measured({"cabextract", "-q", "-d", top + "/out-cabextract", ourCab}, "", unpack);
    Measured({self, "open", vek, top + "/out-ours"}, "", open);
    // The peer with the staging that the opening does: the archive copied out as a cabinet file first.
    Shell("rm -rf '" + top + "/out-staged'");
    Measured({"sh", "-c", "cp '" + ourCab + "' '" + top + "/staged.cab' && cabextract -q -d '" + top +
                              "/out-staged' '" + top + "/staged.cab' && rm '" + top + "/staged.cab'"},
             "", staged);
  }
  const bool same = std::system(("diff -r -q '" + work + "' '" + top + "/out-cabextract' >/dev/null && " +
                                 "diff -r -q -x HeaderDt.ini -x HistryDt.ini '" + work + "' '" + top +
                                 "/out-ours' >/dev/null")
                                    .c_str()) == 0;

  std::printf("best of %d runs; peak memory is the child's maximum resident set\n", runs);
  Report("save", "ours", save);
  Report("save", "gcab -c -z", pack);
  std::printf("save   ratio ours/gcab: time %.3f   (estimate %.1f MB, gcab cabinet %.1f MB)\n",
              save.seconds / pack.seconds, SizeOf(vek) / 1e6, SizeOf(gcabCab) / 1e6);
  Report("open", "ours", open);
  Report("open", "cabextract", unpack);
  Report("open", "cp+cabextr.", staged);
  std::printf("open   ratio ours/cabextract: time %.3f; ours/(copy to a cabinet file + cabextract): time %.3f\n",
              open.seconds / unpack.seconds, open.seconds / staged.seconds);
  std::printf("opened and unpacked folders %s the work folder\n", same ? "match" : "DO NOT MATCH");
  const bool small = save.peakKiB < 64 * 1024 && open.peakKiB < 64 * 1024;
  std::printf("peak memory of ours %s 64 MiB\n", small ? "under" : "NOT under");
  Shell("rm -rf '" + top + "'");
  return save.ok && pack.ok && open.ok && unpack.ok && staged.ok && same ? 0 : 1;
}
