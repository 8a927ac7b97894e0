#include "fake_state.h"

#include <cstdio>
#include <cstdlib>

namespace fake_outside {

namespace {

std::string FakeFolder() {
  const char* folder = std::getenv("VEK_FAKE_OUTSIDE");
  return folder ? folder : "";
}

std::vector<std::pair<std::string, std::string>> ReadControl(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> out;
  if (folder.empty()) return out;
  std::string text = ReadWhole(folder + "/control.txt");
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    std::size_t eq = line.find('=');
    if (eq != std::string::npos) out.emplace_back(line.substr(0, eq), Unescape(line.substr(eq + 1)));
  }
  return out;
}

// Recorded calls of module.function so far.
int CountCalls(const std::string& folder, const std::string& prefix) {
  if (folder.empty()) return 0;
  std::string log = ReadWhole(folder + "/calls.log");
  int count = 0;
  std::size_t start = 0;
  while (start < log.size()) {
    if (log.compare(start, prefix.size(), prefix) == 0) ++count;
    std::size_t end = log.find('\n', start);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return count;
}

}  // namespace

FakeCall::FakeCall(const char* module, const char* function)
    : module_(module), function_(function), folder_(FakeFolder()), control_(ReadControl(folder_)) {
  number_ = CountCalls(folder_, module_ + "\t" + function_ + "\t") + 1;
}

std::string FakeCall::Setting(const std::string& key, const std::string& fallback) const {
  std::string full = module_ + "." + key;
  // The last line that sets a key wins, so a test can change its mind.
  for (auto it = control_.rbegin(); it != control_.rend(); ++it) {
    if (it->first == full) return it->second;
  }
  return fallback;
}

int FakeCall::IntSetting(const std::string& key, int fallback) const {
  std::string value = Setting(key, "");
  return value.empty() ? fallback : std::atoi(value.c_str());
}

int FakeCall::Result(int fallback) const {
  return IntSetting(function_ + "@" + std::to_string(number_), IntSetting(function_, fallback));
}

std::string FakeCall::Code() const { return Setting(function_ + ".Code", kFakeCode); }

void FakeCall::Log(int result) const {
  if (folder_.empty()) return;
  std::string line = Escape(module_) + "\t" + Escape(function_);
  for (const std::string& a : args_) line += "\t" + Escape(a);
  line += "\t=" + std::to_string(result) + "\n";
  if (FILE* f = std::fopen((folder_ + "/calls.log").c_str(), "ab")) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
}

std::string FakeCall::TablePath(const char* table) const {
  return folder_.empty() ? std::string() : folder_ + "/" + module_ + "." + table + ".bin";
}

std::string ReadWhole(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  std::fclose(f);
  return out;
}

bool WriteWhole(const std::string& path, const void* data, std::size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

}  // namespace fake_outside
