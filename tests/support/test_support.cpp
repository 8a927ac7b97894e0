#include "test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace testing_support {

std::string Show(std::string_view cp932) {
  std::string out;
  for (std::size_t i = 0; i < cp932.size();) {
    std::size_t n = platform::CharLength(cp932, i);
    std::string utf8;
    if (platform::Cp932ToUtf8(cp932.substr(i, n), utf8)) {
      out += utf8;
    } else {
      for (std::size_t k = 0; k < n; ++k) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(cp932[i + k]));
        out += hex;
      }
    }
    i += n;
  }
  return out;
}

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const char* base = std::getenv("TMPDIR");
  std::string root = (base && *base) ? base : "/tmp";
  std::ostringstream name;
  name << root << "/vektest-" << getpid() << "-" << counter++;
  path_ = name.str();
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // Tests may leave read-only entries behind: make everything writable first.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink()) chmod(it->path().c_str(), 0755);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

std::string ReadRaw(const std::string& systemPath) {
  std::ifstream in(systemPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteRaw(const std::string& systemPath, std::string_view bytes) {
  std::ofstream out(systemPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Utf8(std::string_view cp932) {
  std::string out;
  platform::Cp932ToUtf8(cp932, out);
  return out;
}

bool MakeVek(const std::string& json, const std::string& outPath, const std::string& tailPath) {
  const std::string fields = outPath + ".json";
  WriteRaw(fields, Utf8(json));
  std::string cmd = "python3 '" + SourceDir() + "/tests/fixtures/make_vek.py' '" + fields + "' '" + outPath + "'";
  if (!tailPath.empty()) cmd += " --tail '" + tailPath + "'";
  return std::system(cmd.c_str()) == 0;
}

std::string SourceDir() {
  const char* s = std::getenv("VEK_SOURCE_DIR");
  return s ? s : ".";
}

std::string ShotsFolder(std::string_view suite) {
  std::string folder = BinaryDir() + "/shots/" + std::string(suite);
  platform::MakeFolders(folder);
  return folder;
}

std::string BinaryDir() {
  const char* s = std::getenv("VEK_BINARY_DIR");
  return s ? s : ".";
}

std::string ShellQuote(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

int RunShell(const std::string& command, std::string* output) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  int status = pclose(p);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool RunInProcessesAtOnce(int count, const std::function<bool(int index)>& work) {
  int go[2];
  if (pipe(go) != 0) return false;
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    pid_t pid = fork();
    if (pid < 0) break;
    if (pid == 0) {
      close(go[1]);
      char byte;
      // All start when the pipe closes.
      if (read(go[0], &byte, 1) < 0) _exit(3);
      _exit(work(i) ? 0 : 1);
    }
    children.push_back(pid);
  }
  close(go[0]);
  close(go[1]);
  bool ok = static_cast<int>(children.size()) == count;
  for (pid_t pid : children) {
    int status = 0;
    ok = waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
  }
  return ok;
}

ChildEnd RunInChildWithin(int seconds, const std::function<bool()>& work) {
  pid_t child = fork();
  if (child < 0) return ChildEnd::Crashed;
  if (child == 0) {
    alarm(static_cast<unsigned>(seconds));  // the child ends by SIGALRM when it hangs
    _exit(work() ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return ChildEnd::Crashed;
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) return ChildEnd::TimedOut;
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return ChildEnd::Crashed;
  return WEXITSTATUS(status) == 0 ? ChildEnd::True : ChildEnd::False;
}

void PrintTo(ChildEnd end, std::ostream* os) {
  static const char* const names[] = {"returned true", "returned false", "crashed", "timed out"};
  *os << names[static_cast<int>(end)];
}

void PrintTo(const SpecialCase& c, std::ostream* os) { *os << c.name; }

const SpecialCase (&SpecialCases())[5] {
  static const SpecialCase cases[5] = {{"Fifo", SpecialKind::Fifo},
                                       {"Device", SpecialKind::Device},
                                       {"Folder", SpecialKind::Folder},
                                       {"LinkToDevice", SpecialKind::LinkToDevice},
                                       {"LinkLoop", SpecialKind::LinkLoop}};
  return cases;
}

bool MakeSpecial(const std::string& cp932Path, SpecialKind kind) {
  const std::string path = Utf8(cp932Path);
  switch (kind) {
    case SpecialKind::Fifo:
      return mkfifo(path.c_str(), 0644) == 0;
    case SpecialKind::Device:
      // mknod needs privilege; a hard link to a device needs none where /dev shares the file system.
      return mknod(path.c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0 || link("/dev/zero", path.c_str()) == 0;
    case SpecialKind::Folder:
      return mkdir(path.c_str(), 0755) == 0;
    case SpecialKind::LinkToDevice:
      return symlink("/dev/zero", path.c_str()) == 0;
    case SpecialKind::LinkLoop:
      return symlink(path.c_str(), path.c_str()) == 0;
  }
  return false;
}

bool CanMakeSpecial(SpecialKind kind) {
  if (kind != SpecialKind::Device) return true;
  static const bool canMakeDevices = [] {
    TempFolder probe;
    return MakeSpecial(probe / "device", SpecialKind::Device);
  }();
  return canMakeDevices;
}

ForeignLock::ForeignLock(const std::string& cp932Path, bool exclusive)
    : fd_(open(Utf8(cp932Path).c_str(), O_RDONLY | O_CLOEXEC)) {
  held_ = fd_ >= 0 && flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
}

void ForeignLock::Release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  held_ = false;
}

bool FreeToLock(const std::string& cp932Path, bool exclusive) {
  ForeignLock probe(cp932Path, exclusive);
  return probe.held();
}

int DeadProcessId() {
  pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return static_cast<int>(child);
}

}  // namespace testing_support
