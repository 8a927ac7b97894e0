#include "bench_support.h"

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

extern char** environ;

namespace bench {

namespace {

const char kPeakVariable[] = "VEK_BENCH_PEAK";

void ListTree(const std::string& folder, const std::string& prefix, std::vector<std::string>& out,
              std::uint64_t& bytes) {
  DIR* d = opendir(folder.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    std::string p = folder + "/" + n;
    struct stat st{};
    if (lstat(p.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      ListTree(p, prefix + n + "/", out, bytes);
    } else if (S_ISREG(st.st_mode)) {
      out.push_back(prefix + n);
      bytes += static_cast<std::uint64_t>(st.st_size);
    }
  }
  closedir(d);
}

// The fixture generator beside the tests.
std::string MakeVekScript() { return std::string(VEK_SOURCE_DIR) + "/tests/fixtures/make_vek.py"; }

}  // namespace

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::string SelfPath() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  return n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string();
}

std::string MakeTempFolder(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-XXXXXX";
  return mkdtemp(pattern.data()) ? pattern : std::string();
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool Shell(const std::string& command) {
  std::fflush(stdout);
  if (std::system(command.c_str()) == 0) return true;
  std::fprintf(stderr, "failed: %s\n", command.c_str());
  return false;
}

void RemoveTree(const std::string& path) { Shell("rm -rf " + Quoted(path)); }

void MakeFolder(const std::string& path) { mkdir(path.c_str(), 0755); }

std::uint64_t SizeOf(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

std::uint64_t TreeBytes(const std::string& folder, std::size_t& count) {
  std::vector<std::string> names;
  std::uint64_t bytes = 0;
  ListTree(folder, "", names, bytes);
  count = names.size();
  return bytes;
}

std::vector<std::string> TreeFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::uint64_t bytes = 0;
  ListTree(folder, "", names, bytes);
  std::sort(names.begin(), names.end());
  return names;
}

double MiB(long kib) { return static_cast<double>(kib) / 1024.0; }
double MB(std::uint64_t bytes) { return static_cast<double>(bytes) / 1e6; }

// ---- Measured children.

long OwnPeakKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

void ReportOwnPeak() {
  const char* out = std::getenv(kPeakVariable);
  if (out && *out) std::ofstream(out) << OwnPeakKiB() << "\n";
}

Sample operator+(const Sample& a, const Sample& b) {
  return {a.seconds + b.seconds, std::max(a.peakKiB, b.peakKiB), std::max(a.ownPeakKiB, b.ownPeakKiB),
          a.ok && b.ok};
}

Sample RunChild(const std::vector<std::string>& args, const std::string& folder) {
  Sample s;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const std::string peakFile = "/tmp/vek-bench-peak-" + std::to_string(getpid());
  setenv(kPeakVariable, peakFile.c_str(), 1);
  std::remove(peakFile.c_str());
  sync();  // what the last step wrote is not written back during this one
  const double start = Now();
  pid_t pid;
  const bool spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (!spawned || wait4(pid, &status, 0, &usage) < 0) {
    s.ok = false;
    return s;
  }
  s.seconds = Now() - start;
  s.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  s.peakKiB = usage.ru_maxrss;
  std::ifstream own(peakFile);
  long kib = -1;
  if (own >> kib) s.ownPeakKiB = kib;
  std::remove(peakFile.c_str());
  return s;
}

void Measure::Keep(const Sample& s) {
  seconds = std::min(seconds, s.seconds);
  peakKiB = std::max(peakKiB, s.peakKiB);
  ownPeakKiB = std::max(ownPeakKiB, s.ownPeakKiB);
  ok = ok && s.ok;
}

void Report(const char* step, const char* who, const Measure& m) {
  std::printf("%-7s %-22s %9.4f s  peak %7.1f MiB", step, who, m.seconds, MiB(m.peakKiB));
  if (m.ownPeakKiB >= 0) std::printf(" (own %.1f MiB)", MiB(m.ownPeakKiB));
  std::printf("%s\n", m.ok ? "" : "  FAILED");
}

// ---- Corpus.

namespace {

bool WriteChunks(const std::string& path, std::uint64_t size, Random& r, const std::string& head,
                 const std::string& tail) {
  std::ofstream out(path, std::ios::binary);
  std::vector<char> chunk(64 << 10);
  for (std::uint64_t at = 0; at < size;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - at));
    for (std::size_t i = 0; i < n; i += 8) {
      std::uint64_t v = r.Next();
      std::memcpy(&chunk[i], &v, std::min<std::size_t>(8, n - i));
    }
    if (at == 0) std::memcpy(chunk.data(), head.data(), std::min(head.size(), n));
    if (at + n == size && n >= tail.size()) std::memcpy(&chunk[n - tail.size()], tail.data(), tail.size());
    out.write(chunk.data(), static_cast<std::streamsize>(n));
    at += n;
  }
  return static_cast<bool>(out);
}

}  // namespace

bool WriteJpegLike(const std::string& path, std::uint64_t size, Random& r) {
  return WriteChunks(path, size, r, std::string("\xFF\xD8\xFF\xE1\x00\x18" "Exif", 10), "\xFF\xD9");
}

bool WriteTextLike(const std::string& path, std::uint64_t size, Random& r) {
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    const int len = 2 + static_cast<int>(r.Next() % 9);
    for (int k = 0; k < len; ++k) w += static_cast<char>('a' + r.Next() % 26);
    words.push_back(w);
  }
  std::ofstream out(path, std::ios::binary);
  std::string block;
  for (std::uint64_t at = 0; at < size;) {
    block.clear();
    while (block.size() < (64u << 10)) {
      block += "Key" + std::to_string(r.Next() % 500) + "=" + words[r.Next() % words.size()] + " " +
               words[r.Next() % words.size()] + "\r\n";
    }
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - at));
    out.write(block.data(), static_cast<std::streamsize>(n));
    at += n;
  }
  return static_cast<bool>(out);
}

Corpus MakeCorpus(const std::string& root, const CorpusShape& shape) {
  Corpus c;
  c.root = root;
  MakeFolder(root);
  MakeFolder(root + "/Image");
  Random r(shape.seed);
  bool ok = true;
  auto added = [&](const std::string& name) {
    c.files.push_back(name);
    c.bytes += SizeOf(root + "/" + name);
  };
  const std::string ini =
      "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nInformationDB=OvSvIf0001.sld\r\n"
      "EstimateDB=OvSvEm0001.sld\r\nImageDB=OvSvIg0001.sld\r\n";
  std::ofstream(root + "/OvDBInfo.ini", std::ios::binary) << ini;
  added("OvDBInfo.ini");
  const std::uint64_t text = static_cast<std::uint64_t>(static_cast<double>(shape.totalBytes) * shape.textShare);
  // The estimate database is the largest, as in a real estimate.
  const struct {
    const char* name;
    std::uint64_t size;
  } databases[] = {{"OvSvIf0001.sld", text / 6}, {"OvSvEm0001.sld", text * 4 / 6}, {"OvSvIg0001.sld", text / 6}};
  for (const auto& db : databases) {
    ok = WriteTextLike(root + "/" + db.name, std::max<std::uint64_t>(db.size, 1), r) && ok;
    added(db.name);
  }
  if (!shape.linkFile.empty()) {
    std::ofstream(root + "/" + shape.linkFile, std::ios::binary)
        << "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<TorVane2Data>\r\n<Svef>\r\n"
           "<AcceptNo>B-0001</AcceptNo>\r\n</Svef>\r\n</TorVane2Data>\r\n";
    added(shape.linkFile);
  }
  const std::uint64_t spread = shape.photoMax > shape.photoMin ? shape.photoMax - shape.photoMin : 1;
  for (int i = 1; c.bytes < shape.totalBytes; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Image/P%04d.jpg", i);
    const std::uint64_t size = shape.photoMin + r.Next() % spread;
    ok = WriteJpegLike(root + "/" + name, size, r) && ok;
    added(name);
    c.photos.push_back(name);
    c.photoBytes += size;
  }
  if (!ok) std::fprintf(stderr, "the corpus could not be written whole in %s\n", root.c_str());
  return c;
}

void PrintCorpus(const Corpus& c) {
  std::printf("corpus: %zu files, %.1f MB (%zu JPEG-like photographs %.1f MB, text %.1f MB)\n", c.files.size(),
              MB(c.bytes), c.photos.size(), MB(c.photoBytes), MB(c.bytes - c.photoBytes));
}

// ---- Estimate files.

bool MakeEstimate(const Corpus& c, const std::string& cab, const std::string& vek) {
  std::string gcab = "cd " + Quoted(c.root) + " && gcab -c -z " + Quoted(cab);
  for (const std::string& f : c.files) gcab += " " + Quoted(f);
  if (!Shell(gcab)) return false;
  const std::string fields = vek + ".json";
  std::ofstream(fields) << "{\"header_info\": {\"AcceptNo\": \"B-0001\", \"CustomerName\": \"Bench\", "
                         "\"CarName\": \"Wagon\", \"GarageInDate\": [2024, 5, 1], \"Progress\": 1, "
                         "\"ImageCount\": "
                      << c.photos.size() << ", \"Total\": 98765.0}}\n";
  const bool made = Shell("python3 " + Quoted(MakeVekScript()) + " " + Quoted(fields) + " " + Quoted(vek) +
                          " --tail " + Quoted(cab));
  std::remove(fields.c_str());
  return made;
}

bool TakeCabinet(const std::string& vek, const std::string& cab) {
  // Streamed: only the first 32 bytes of the archive are scrambled.
  static const char kScript[] =
      "import os, shutil, struct, sys\n"
      "sys.path.insert(0, os.path.dirname(sys.argv[1]))\n"
      "import make_vek\n"
      "with open(sys.argv[2], 'rb') as f, open(sys.argv[3], 'wb') as out:\n"
      "    head = f.read(331)\n"
      "    count = max(struct.unpack('<h', head[329:331])[0], 0)\n"
      "    f.seek(331 + make_vek.HISTORY_INFO_SIZE * count)\n"
      "    out.write(make_vek.unscramble(f.read(32), 3))\n"
      "    shutil.copyfileobj(f, out, 1 << 20)\n";
  return Shell(std::string("python3 -c ") + Quoted(kScript) + " " + Quoted(MakeVekScript()) + " " + Quoted(vek) +
               " " + Quoted(cab));
}

}  // namespace bench
