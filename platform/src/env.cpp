#include "platform/env.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/path.h"
#include "platform/registry.h"

namespace platform {

namespace {

std::string FromEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return {};
  std::string cp932;
  return FromSystemPath(v, cp932) ? cp932 : std::string();
}

std::string WithoutTrailingDelimiter(std::string p) {
  while (p.size() > 1 && p.back() == kDelimiter) p.pop_back();
  return p;
}

constexpr int kDefaultDpi = 96;

class SystemEnvironment : public Environment {
 public:
  int dpi = kDefaultDpi;

  std::string TempFolder() override {
    std::string t = FromEnv("TMPDIR");
    return WithoutTrailingDelimiter(t.empty() ? "/tmp" : t);
  }
  std::string ProfileFolder() override { return WithoutTrailingDelimiter(FromEnv("HOME")); }
  int ProcessId() override { return static_cast<int>(getpid()); }
  void OsVersion(int& major, int& minor, int& build) override {
    major = 10;
    minor = 0;
    build = 0;
  }
  int ScreenDpiX() override { return dpi; }
  int ScreenDpiY() override { return dpi; }
  std::string GetSpecialFolder(SpecialFolder which) override {
    if (which == SpecialFolder::CommonDocuments) {
      std::string shared = WithoutTrailingDelimiter(FromEnv("VEK_COMMON_DOCUMENTS"));
      return shared.empty() ? "/var/lib/vek/Documents" : shared;
    }
    std::string home = ProfileFolder();
    if (home.empty()) return {};
    switch (which) {
      case SpecialFolder::Profile:
        return home;
      case SpecialFolder::LocalAppDataLow:
        return home + "/AppData/LocalLow";
      case SpecialFolder::AppData:
        return home + "/AppData/Roaming";
      case SpecialFolder::Desktop:
        return home + "/Desktop";
      case SpecialFolder::Personal:
        return home + "/Documents";
      case SpecialFolder::Windows:
      case SpecialFolder::System:
        return {};
      case SpecialFolder::CommonDocuments:
        break;
    }
    return {};
  }
  bool ReadRegistry(const std::string& key, const std::string& value, std::string& out) override {
    return RegistryReadValue(key, value, out);
  }
};

SystemEnvironment g_systemEnvironment;
Environment* g_environment = nullptr;

}  // namespace

std::string Environment::HostProgramFolder() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string exe(buf, static_cast<std::size_t>(n)), cp932;
  std::size_t slash = exe.rfind('/');
  if (slash == std::string::npos || !FromSystemPath(exe.substr(0, slash == 0 ? 1 : slash), cp932)) return {};
  return cp932;
}

void SetScreenDpi(int dpi) { g_systemEnvironment.dpi = dpi > 0 ? dpi : kDefaultDpi; }

void SetEnvironment(Environment* env) { g_environment = env; }

Environment& CurrentEnvironment() { return g_environment ? *g_environment : g_systemEnvironment; }

std::string RegistryFilePath() {
  std::string r = FromEnv("VEK_REGISTRY");
  if (!r.empty()) return r;
  std::string xdg = FromEnv("XDG_CONFIG_HOME");
  if (!xdg.empty()) return WithoutTrailingDelimiter(xdg) + "/vek/registry.ini";
  std::string home = FromEnv("HOME");
  if (!home.empty()) return WithoutTrailingDelimiter(home) + "/.config/vek/registry.ini";
  return {};
}

}  // namespace platform
