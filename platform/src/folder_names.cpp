#include "folder_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <mutex>
#include <unordered_map>

namespace platform::detail {
namespace {

// A folder's names are read once and kept while its identity and its modification and change times stay
// as they were when it was read; any entry made, removed or renamed in it changes them. Where the file
// system stamps times coarsely (kernels before multigrain timestamps), a change by another process within
// the same clock tick as the last stamp goes unseen, a window of the same kind as the one between reading
// a folder and opening a file in it. Files that this process makes are added as they are made, so that
// filling a folder of many new files reads it once, not once for each file.
struct Stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{}, ctime{};
  bool operator==(const Stamp& o) const {
    return dev == o.dev && ino == o.ino && mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
           ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

struct Listing {
  Stamp stamp;
  std::unordered_map<std::string, std::string> byUpper;  // upper-cased name -> smallest name of that spelling
};

constexpr std::size_t kKeptFolders = 16;

std::mutex g_mutex;
std::unordered_map<std::string, Listing> g_listings;  // by the folder's path as asked

bool StampOf(const std::string& folder, Stamp& out) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  out = {st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
  return true;
}

void Add(Listing& l, const std::string& name) {
  auto [it, added] = l.byUpper.try_emplace(UpperName(name), name);
  if (!added && name < it->second) it->second = name;
}

// Reads the folder; its stamp is taken before, so a change during the reading shows at the next lookup.
bool Read(const std::string& folder, const Stamp& stamp, Listing& out) {
  DIR* d = opendir(folder.c_str());
  if (!d) return false;
  out.stamp = stamp;
  out.byUpper.clear();
  while (dirent* e = readdir(d)) Add(out, e->d_name);
  closedir(d);
  return true;
}

}  // namespace

std::string UpperName(const std::string& name) {
  std::string u = name;
  for (char& c : u) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return u;
}

std::string MatchInFolder(const std::string& folder, const std::string& name, bool* read) {
  if (read) *read = false;
  const std::string key = folder.empty() ? "." : folder;
  Stamp stamp;
  if (!StampOf(key, stamp)) return {};
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_listings.find(key);
  if (it == g_listings.end() || !(it->second.stamp == stamp)) {
    if (it == g_listings.end() && g_listings.size() >= kKeptFolders) g_listings.erase(g_listings.begin());
    Listing fresh;
    if (!Read(key, stamp, fresh)) {
      g_listings.erase(key);
      return {};
    }
    it = g_listings.insert_or_assign(key, std::move(fresh)).first;
  }
  if (read) *read = true;
  auto found = it->second.byUpper.find(UpperName(name));
  return found == it->second.byUpper.end() ? std::string() : found->second;
}

void NoteCreated(const std::string& folder, const std::string& name) {
  const std::string key = folder.empty() ? "." : folder;
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = g_listings.find(key);
  if (it == g_listings.end()) return;
  Stamp stamp;
  if (!StampOf(key, stamp) || stamp.dev != it->second.stamp.dev || stamp.ino != it->second.stamp.ino) {
    g_listings.erase(it);
    return;
  }
  Add(it->second, name);
  it->second.stamp = stamp;
}

}  // namespace platform::detail
