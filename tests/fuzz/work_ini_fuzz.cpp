// fuzz-libs: dorvik_core
// The readers of a work folder's own INI files, which a person or another program may have edited: HeaderDt.ini,
// HistryDt.ini (the count query and the read of the entries) and OvDBInfo.ini in both forms. The first byte
// chooses the file, the rest is its content. Whatever the bytes, no reader fails but with a code; and what one
// read gives, written back and read again, comes back unchanged once it has been written once (the writers'
// formats may round a number on the first pass, never on the second).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkWorkFolderAccess.h"
#include "fuzz_support.h"
#include "platform/files.h"

namespace {

using fuzz_support::Check;

std::string g_work;

bool Same(const void* a, const void* b, std::size_t size) { return std::memcmp(a, b, size) == 0; }

void Header() {
  HeaderData data[3];
  HeaderInfo info[3];
  char code[10] = {};
  if (!CZkWorkFolderAccess(g_work.c_str()).ReadFileHeaderINI(&data[0], &info[0], code)) return;
  for (int pass = 1; pass < 3; ++pass) {
    CZkWorkFolderAccess access(g_work.c_str());
    // A date whose year the file gave as negative cannot be written; nothing else is refused.
    if (!access.WriteFileHeaderINI(&data[pass - 1], &info[pass - 1], code)) return;
    Check(CZkWorkFolderAccess(g_work.c_str()).ReadFileHeaderINI(&data[pass], &info[pass], code) == 1);
  }
  Check(Same(&data[1], &data[2], sizeof(HeaderData)) && Same(&info[1], &info[2], sizeof(HeaderInfo)));
}

void History() {
  HistoryData data[3];
  std::vector<HistoryInfo> entries[3];
  char code[10] = {};
  int count = 0;
  if (!CZkWorkFolderAccess(g_work.c_str()).ReadFileHistoryINI(&data[0], nullptr, &count, code)) return;
  Check(count >= 0 && count <= 32767);
  entries[0].assign(static_cast<std::size_t>(count) + 1, HistoryInfo{});
  int asked = count;
  Check(CZkWorkFolderAccess(g_work.c_str()).ReadFileHistoryINI(&data[0], entries[0].data(), &asked, code) == 1);
  if (count > 0) {
    int wrong = count + 1;
    Check(CZkWorkFolderAccess(g_work.c_str()).ReadFileHistoryINI(&data[0], entries[0].data(), &wrong, code) == 0);
  }
  for (int pass = 1; pass < 3; ++pass) {
    if (!CZkWorkFolderAccess(g_work.c_str())
             .WriteFileHistoryINI(&data[pass - 1], entries[pass - 1].data(), count, code)) {
      return;
    }
    entries[pass].assign(static_cast<std::size_t>(count) + 1, HistoryInfo{});
    int n = count;
    Check(CZkWorkFolderAccess(g_work.c_str()).ReadFileHistoryINI(&data[pass], entries[pass].data(), &n, code) == 1);
  }
  Check(Same(&data[1], &data[2], sizeof(HistoryData)));
  Check(Same(entries[1].data(), entries[2].data(), sizeof(HistoryInfo) * static_cast<std::size_t>(count)));
}

void DatabaseNames() {
  LatestDatabaseFile names[3];
  ZkDatabaseFileNames terminated;
  char code[10] = {};
  if (!CZkWorkFolderAccess(g_work.c_str()).ReadDBInfoINI(&names[0], code)) return;
  Check(CZkWorkFolderAccess(g_work.c_str()).ReadDBInfoINI(&terminated, code) == 1);
  Check(terminated.InformationDB[14] == 0 && terminated.EstimateDB[14] == 0 && terminated.ImageDB[14] == 0);
  for (int pass = 1; pass < 3; ++pass) {
    if (!CZkWorkFolderAccess(g_work.c_str()).WriteDBInfoINI(&names[pass - 1], code)) return;
    Check(CZkWorkFolderAccess(g_work.c_str()).ReadDBInfoINI(&names[pass], code) == 1);
  }
  Check(Same(&names[1], &names[2], sizeof(LatestDatabaseFile)));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_work = fuzz_support::MakeFolder("work_ini_fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  static const char* const kNames[] = {CZkWorkFolderAccess::kHeaderIniName, CZkWorkFolderAccess::kHistoryIniName,
                                       CZkWorkFolderAccess::kDBInfoIniName};
  const int which = data[0] % 3;
  const std::string path = g_work + "/" + kNames[which];
  Check(platform::WriteFile(path, data + 1, size - 1));
  switch (which) {
    case 0:
      Header();
      break;
    case 1:
      History();
      break;
    default:
      DatabaseNames();
      break;
  }
  platform::DeleteFile(path);
  return 0;
}
