// Helpers shared by the tests.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace testing_support {

// CP932 bytes shown as UTF-8 for failure messages (bytes that do not convert are shown as \xNN).
std::string Show(std::string_view cp932);

// A fresh empty folder for one test, removed when the object goes; path() is CP932 (ASCII here).
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(std::string_view name) const;

 private:
  std::string path_;
};

// Whole file by system (UTF-8) path, without the layer under test; empty when missing.
std::string ReadRaw(const std::string& systemPath);
void WriteRaw(const std::string& systemPath, std::string_view bytes);
// The UTF-8 form of a CP932 path.
std::string Utf8(std::string_view cp932);

// Runs the fixture generator tests/fixtures/make_vek.py: a JSON field set (CP932, as the tests' literals are)
// in, an estimate file (system path) out; tail: a file for the archive part. The JSON is left beside the output
// as outPath + ".json".
bool MakeVek(const std::string& json, const std::string& outPath, const std::string& tailPath = {});

// s in single quotes for the shell.
std::string ShellQuote(std::string_view s);
// Runs a shell command; gives its exit status (-1 when it did not exit), and its stdout into output.
int RunShell(const std::string& command, std::string* output = nullptr);

// Runs work(0) ... work(count-1) in child processes that all start at once; true when every one returned true.
bool RunInProcessesAtOnce(int count, const std::function<bool(int index)>& work);

// How a call run in a child ended: it returned true or false, it crashed, or it was still running at the limit
// (the child is then killed).
enum class ChildEnd { True, False, Crashed, TimedOut };
ChildEnd RunInChildWithin(int seconds, const std::function<bool()>& work);
void PrintTo(ChildEnd end, std::ostream* os);

// Entries that stand where a regular file is expected, as a careless user or an attacker leaves them.
enum class SpecialKind { Fifo, Device, Folder, LinkToDevice, LinkLoop };
struct SpecialCase {
  const char* name;
  SpecialKind kind;
};
void PrintTo(const SpecialCase& c, std::ostream* os);
// One case of each kind, named for test listings.
const SpecialCase (&SpecialCases())[5];
// Makes an entry of that kind at a CP932 path (the device is /dev/zero, which never ends).
bool MakeSpecial(const std::string& cp932Path, SpecialKind kind);
// Whether this process can make an entry of that kind: a device needs the privilege to make one, or /dev on the
// file system of the temporary folder for a hard link. Tests skip the kinds it cannot make.
bool CanMakeSpecial(SpecialKind kind);

// An advisory lock (flock) on a CP932 path taken beside the layer under test, as another process holds one.
class ForeignLock {
 public:
  ForeignLock(const std::string& cp932Path, bool exclusive = true);
  ~ForeignLock() { Release(); }
  ForeignLock(const ForeignLock&) = delete;
  ForeignLock& operator=(const ForeignLock&) = delete;
  bool held() const { return held_; }
  void Release();

 private:
  int fd_ = -1;
  bool held_ = false;
};

// Whether another process could take the lock of a CP932 path now.
bool FreeToLock(const std::string& cp932Path, bool exclusive = true);

// The id of a process that has ended (a child made and reaped for the purpose), for names of a gone owner.
int DeadProcessId();

// Folders of the build: the source tree ($VEK_SOURCE_DIR) and the build tree ($VEK_BINARY_DIR).
std::string SourceDir();
std::string BinaryDir();
// The folder for the pictures a suite saves for people to look at: shots/<suite> in the build tree, made when
// missing.
std::string ShotsFolder(std::string_view suite);

}  // namespace testing_support
