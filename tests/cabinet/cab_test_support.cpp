#include "cab_test_support.h"

#include <stdio.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "test_support.h"

namespace cabtest {

int Shell(const std::string& command, std::string* output) {
  return testing_support::RunShell(command + " 2>&1", output);
}

std::string Quote(const std::string& s) { return testing_support::ShellQuote(s); }

std::string MakeSet(const std::string& scenario, const std::string& out, const std::string& firstNext) {
  const std::string generator = Quote(testing_support::SourceDir() + "/tests/fixtures/make_cab_set.py");
  if (!firstNext.empty()) {
    if (Shell("python3 " + generator + " " + Quote(scenario) + " " + Quote(out) + " --first-next " +
              Quote(firstNext)) != 0) {
      return {};
    }
  } else {
    // Every scenario once per process (the interpreter takes a while to start), then copied.
    static testing_support::TempFolder all;
    static const bool made = Shell("python3 " + generator + " --all " + Quote(all / "sets")) == 0;
    std::error_code error;
    if (!made) return {};
    std::filesystem::copy(all / ("sets/" + scenario), out, std::filesystem::copy_options::recursive, error);
    if (error) return {};
  }
  return testing_support::ReadRaw(out + "/first.txt");
}

namespace {

std::uint32_t Next(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

}  // namespace

std::string RandomBytes(std::size_t size, std::uint32_t seed) {
  std::uint32_t state = seed * 2654435761u + 1;
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>(Next(state) >> 24);
  return out;
}

std::string Text(std::size_t size, std::uint32_t seed) {
  std::uint32_t state = seed * 2654435761u + 7;
  std::vector<std::string> words;
  for (int i = 0; i < 4000; ++i) {
    std::string w;
    int len = 2 + static_cast<int>(Next(state) % 9);
    for (int k = 0; k < len; ++k) w += static_cast<char>('a' + Next(state) % 26);
    words.push_back(w);
  }
  std::string out;
  out.reserve(size + 16);
  while (out.size() < size) {
    out += words[Next(state) % words.size()];
    out += (Next(state) % 12 == 0) ? "\r\n" : " ";
  }
  out.resize(size);
  return out;
}

namespace {

std::uint16_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}
std::uint32_t U32(const std::string& b, std::size_t at) { return U16(b, at) | (static_cast<std::uint32_t>(U16(b, at + 2)) << 16); }

bool Text0(const std::string& b, std::size_t& at, std::string& out) {
  std::size_t end = b.find('\0', at);
  if (end == std::string::npos) return false;
  out = b.substr(at, end - at);
  at = end + 1;
  return true;
}

}  // namespace

bool ReadRawCabinet(const std::string& systemPath, RawCabinet& out) {
  out = {};
  std::string b = testing_support::ReadRaw(systemPath);
  if (b.size() < 36 || b.compare(0, 4, "MSCF") != 0) return false;
  out.size = U32(b, 8);
  std::uint32_t filesAt = U32(b, 16);
  out.folderCount = U16(b, 26);
  out.fileCount = U16(b, 28);
  out.flags = U16(b, 30);
  out.setId = U16(b, 32);
  out.index = U16(b, 34);
  std::size_t at = 36;
  std::size_t folderReserve = 0;
  if (out.flags & 4) {
    at += 4 + U16(b, 36);
    folderReserve = static_cast<unsigned char>(b[38]);
  }
  std::string disk;
  if ((out.flags & 1) && !(Text0(b, at, out.prev) && Text0(b, at, disk))) return false;
  if ((out.flags & 2) && !(Text0(b, at, out.next) && Text0(b, at, disk))) return false;
  for (int i = 0; i < out.folderCount; ++i, at += 8 + folderReserve) {
    if (at + 8 > b.size()) return false;
    out.folderBlocks.push_back(U16(b, at + 4));
    out.folderStarts.push_back(U32(b, at));
  }
  at = filesAt;
  for (int i = 0; i < out.fileCount; ++i) {
    if (at + 16 > b.size()) return false;
    RawEntry e;
    e.size = U32(b, at);
    e.offset = U32(b, at + 4);
    e.folder = U16(b, at + 8);
    e.date = U16(b, at + 10);
    e.time = U16(b, at + 12);
    e.attribs = U16(b, at + 14);
    at += 16;
    if (!Text0(b, at, e.name)) return false;
    out.entries.push_back(e);
  }
  return true;
}

std::vector<std::size_t> BlockOffsets(const std::string& cabinet) {
  std::vector<std::size_t> out;
  const std::size_t folders = U16(cabinet, 26);
  for (std::size_t f = 0; f < folders; ++f) {
    std::size_t at = U32(cabinet, 36 + 8 * f);
    for (int b = U16(cabinet, 36 + 8 * f + 4); b > 0 && at + 8 <= cabinet.size(); --b) {
      out.push_back(at);
      at += 8 + U16(cabinet, at + 4);
    }
  }
  return out;
}

void ClearChecksums(std::string& cabinet) {
  for (std::size_t at : BlockOffsets(cabinet)) cabinet.replace(at, 4, 4, '\0');
}

std::string Digest(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%zu:%016llx", bytes.size(), static_cast<unsigned long long>(h));
  return buf;
}

std::vector<std::pair<std::string, std::string>> TreeOf(const std::string& systemFolder) {
  std::vector<std::pair<std::string, std::string>> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(systemFolder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    std::string rel = std::filesystem::relative(it->path(), systemFolder).string();
    out.emplace_back(rel, Digest(testing_support::ReadRaw(it->path().string())));
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace cabtest
