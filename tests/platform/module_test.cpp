#include "platform/module.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fakes.h"
#include "platform/error.h"
#include "test_support.h"

// The program's own Initialize (the program exports its symbols): a module's internal call must not reach it.
extern "C" __attribute__((visibility("default"))) int Initialize() { return 99; }

namespace {

using IntFunction = int (*)();

const std::string kModuleDir = TEST_MODULE_DIR;

// Works in another current folder for the life of the object.
class CurrentFolderScope {
 public:
  explicit CurrentFolderScope(const std::string& folder) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~CurrentFolderScope() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

int Call(platform::ModuleHandle m, const char* name) {
  IntFunction f = platform::GetFunctionAs<IntFunction>(m, name);
  return f ? f() : -1;
}

TEST(Module, FileNames) {
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {
      {"Pakkel.dll", "libPakkel.so"},
      {"Pakkel.DLL", "libPakkel.so"},
      {"CABINET", "libCABINET.so"},
      {"libx.so", "libx.so"},
      {"/opt/a/Pakkel.dll", "/opt/a/libPakkel.so"},  // a file test of the same name must find the same file
      {"/opt/a/libPakkel.so", "/opt/a/libPakkel.so"},
      {"sub/OvSvInfo.dll", "sub/libOvSvInfo.so"},
      {"/opt/表/Dorvik.dll", "/opt/表/libDorvik.so"},
      {"/opt/a/", "/opt/a/"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ModuleFileName(c.name), c.file) << c.name;
}

TEST(Module, RefusesWhatCannotLoad) {
  testing_support::TempFolder dir;
  testing_support::WriteRaw(dir / "libJunk.so", "not a library");
  struct Case {
    const char* name;
    std::string module;
    int error;
  } cases[] = {
      {"EmptyName", "", EINVAL},
      {"NameThatDoesNotConvert", "\x81\x20.dll", EINVAL},
      {"MissingModule", "NoSuchModule.dll", ENOENT},
      {"MissingPath", dir / "NoSuch.dll", ENOENT},
      {"NoLibrary", dir / "Junk.dll", ENOEXEC},
  };
  for (const Case& c : cases) {
    platform::SetLastError(0);
    EXPECT_EQ(platform::LoadModule(c.module), nullptr) << c.name;
    EXPECT_FALSE(platform::ModuleError().empty()) << c.name;
    EXPECT_EQ(platform::LastError(), c.error) << c.name;
  }
}

TEST(Module, FindsOnlyItsOwnFunctions) {
  // The layer itself, found through $VEK_MODULE_PATH.
  platform::ModuleHandle h = platform::LoadModule("vekplatform.dll");
  ASSERT_NE(h, nullptr) << platform::ModuleError();
  EXPECT_NE(platform::GetFunction(h, "_ZN8platform9LastErrorEv"), nullptr);
  EXPECT_EQ(platform::GetFunction(h, "malloc"), nullptr) << "a function of a library it depends on";
  EXPECT_EQ(platform::GetFunction(h, "NoSuchFunction"), nullptr);
  EXPECT_EQ(platform::GetFunction(h, ""), nullptr);
  EXPECT_EQ(platform::GetFunction(h, nullptr), nullptr);
  EXPECT_EQ(platform::GetFunction(nullptr, "Initialize"), nullptr);
  EXPECT_TRUE(platform::FreeModule(h));
  EXPECT_FALSE(platform::FreeModule(nullptr));

  platform::ModuleHandle a = platform::LoadModule(kModuleDir + "/libModA.so");
  ASSERT_NE(a, nullptr) << platform::ModuleError();
  EXPECT_EQ(Call(a, "CallDependency"), 7) << "the module reaches its dependency";
  EXPECT_EQ(platform::GetFunction(a, "DepOnly"), nullptr) << "but the dependency's function is not the module's";
  EXPECT_NE(platform::ModuleError().find("DepOnly"), std::string::npos);
  EXPECT_EQ(platform::LastError(), ENOENT);
  platform::ModuleHandle dep = platform::LoadModule(kModuleDir + "/ModDep.dll");
  ASSERT_NE(dep, nullptr) << platform::ModuleError();
  EXPECT_EQ(Call(dep, "DepOnly"), 7);
  EXPECT_TRUE(platform::FreeModule(dep));
  EXPECT_TRUE(platform::FreeModule(a));
}

TEST(Module, PathOfTheModuleThatHoldsAnAddress) {
  platform::ModuleHandle a = platform::LoadModule(kModuleDir + "/ModA.dll");
  ASSERT_NE(a, nullptr) << platform::ModuleError();
  void* code = platform::GetFunction(a, "Initialize");
  ASSERT_NE(code, nullptr);
  EXPECT_EQ(platform::ModulePathOf(code), kModuleDir + "/libModA.so");
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  static int programData = 0;
  EXPECT_EQ(platform::ModulePathOf(&programData), std::string(exe, static_cast<std::size_t>(n)));
  int onTheStack = 0;
  EXPECT_EQ(platform::ModulePathOf(&onTheStack), "");
  EXPECT_EQ(platform::ModulePathOf(nullptr), "");
  EXPECT_TRUE(platform::FreeModule(a));
}

TEST(Module, EachModuleReachesItsOwnInitialize) {
  platform::ModuleHandle a = platform::LoadModule(kModuleDir + "/ModA.dll");
  platform::ModuleHandle b = platform::LoadModule(kModuleDir + "/ModB.dll");
  ASSERT_NE(a, nullptr) << platform::ModuleError();
  ASSERT_NE(b, nullptr) << platform::ModuleError();
  EXPECT_EQ(Call(a, "Initialize"), 1);
  EXPECT_EQ(Call(b, "Initialize"), 2);
  EXPECT_EQ(Call(a, "CallOwnInitialize"), 1);
  EXPECT_EQ(Call(b, "CallOwnInitialize"), 2);
  EXPECT_EQ(Initialize(), 99);
  EXPECT_TRUE(platform::FreeModule(b));
  EXPECT_TRUE(platform::FreeModule(a));
}

TEST(Module, BareNameIsFoundBesideTheAskingModule) {
  // The program's folder and $VEK_MODULE_PATH hold no ModB.
  EXPECT_EQ(platform::LoadModule("ModB.dll"), nullptr);
  platform::ModuleHandle a = platform::LoadModule(kModuleDir + "/libModA.so");
  ASSERT_NE(a, nullptr) << platform::ModuleError();
  auto loadFromA = platform::GetFunctionAs<void* (*)(const char*)>(a, "LoadFromHere");
  ASSERT_NE(loadFromA, nullptr);
  platform::ModuleHandle b = loadFromA("ModB.dll");
  ASSERT_NE(b, nullptr) << platform::ModuleError();
  EXPECT_EQ(Call(b, "Initialize"), 2);
  EXPECT_EQ(loadFromA("NoSuchModule.dll"), nullptr);
  EXPECT_TRUE(platform::FreeModule(b));
  EXPECT_TRUE(platform::FreeModule(a));
}

TEST(Module, BareNameIsFoundBesideTheProgram) {
  char exe[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  ASSERT_GT(n, 0);
  std::filesystem::path beside =
      std::filesystem::path(std::string(exe, static_cast<std::size_t>(n))).parent_path() /
      ("libModBeside" + std::to_string(getpid()) + ".so");
  std::filesystem::copy_file(kModuleDir + "/libModB.so", beside);
  testing_support::TempFolder elsewhere;
  {
    CurrentFolderScope cwd(elsewhere.path());
    platform::ModuleHandle m = platform::LoadModule("ModBeside" + std::to_string(getpid()) + ".dll");
    EXPECT_NE(m, nullptr) << platform::ModuleError();
    if (m) {
      EXPECT_TRUE(platform::FreeModule(m));
    }
  }
  std::filesystem::remove(beside);
}

TEST(Module, SearchesModulePathButNeverTheCurrentFolder) {
  testing_support::TempFolder here;
  std::filesystem::copy_file(kModuleDir + "/libModB.so", here / "libModHere.so");
  CurrentFolderScope cwd(here.path());
  struct Case {
    const char* name;
    std::string modulePath;
    bool found;
  } cases[] = {
      {"NotInTheCurrentFolder", "/nonexistent", false},
      {"RelativeEntriesAreSkipped", ".:sub:", false},
      {"AbsoluteEntryAfterOthers", "/nonexistent::" + here.path(), true},
  };
  for (const Case& c : cases) {
    testing_support::EnvVarScope env("VEK_MODULE_PATH", c.modulePath.c_str());
    platform::ModuleHandle m = platform::LoadModule("ModHere.dll");
    EXPECT_EQ(m != nullptr, c.found) << c.name << ": " << platform::ModuleError();
    if (m) {
      EXPECT_TRUE(platform::FreeModule(m));
    }
  }
  // A path with a folder is taken as it is, as a relative path of the current folder.
  platform::ModuleHandle m = platform::LoadModule("./ModHere.dll");
  EXPECT_NE(m, nullptr) << platform::ModuleError();
  if (m) {
      EXPECT_TRUE(platform::FreeModule(m));
    }
}

TEST(Module, FreeReportsItsResult) {
  platform::ModuleHandle first = platform::LoadModule(kModuleDir + "/ModB.dll");
  platform::ModuleHandle second = platform::LoadModule(kModuleDir + "/libModB.so");
  ASSERT_NE(first, nullptr) << platform::ModuleError();
  EXPECT_EQ(first, second) << "one module, loaded twice";
  EXPECT_TRUE(platform::FreeModule(first));
  EXPECT_EQ(Call(second, "Initialize"), 2) << "still loaded once";
  EXPECT_TRUE(platform::FreeModule(second));
  platform::SetLastError(0);
  EXPECT_FALSE(platform::FreeModule(second)) << "freed as often as loaded";
  EXPECT_EQ(platform::LastError(), EINVAL);
  EXPECT_EQ(platform::GetFunction(second, "Initialize"), nullptr);
  int notAModule = 0;
  EXPECT_FALSE(platform::FreeModule(&notAModule));
  EXPECT_EQ(platform::GetFunction(&notAModule, "Initialize"), nullptr);
}

}  // namespace
