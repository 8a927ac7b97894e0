// One operation of the library in a process of its own, for the tests that kill it at a system call or run two
// at once. Prints "<result> <code>" and exits 0 when the operation gave 1.
//   dorvik_op save <work folder> <estimate file> <entry number>   SaveVekFile, overwrite mode, one new entry
//   dorvik_op delete <estimate file>                              DeleteAllHistory
//   dorvik_op agreed <estimate file> <password>                   SettingAgreed
//   dorvik_op open <estimate file> <work folder>                  the opening (without the version check)
// With $VEK_OP_START_FD set, the operation starts when that descriptor reaches its end (the parent closes it).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"

namespace {

// The history entry a save adds, numbered as the tests' fixture numbers entries.
HistoryInfo NewEntry(int i) {
  HistoryInfo h{};
  h.RenewalDate = {2024, 6, static_cast<std::uint8_t>(i), 10, 0, static_cast<std::uint8_t>(i)};
  std::string licence = "NEW" + std::to_string(i);
  std::memcpy(h.LicenceID, licence.data(), std::min(licence.size(), sizeof h.LicenceID));
  h.Total = i * 100 + 0.25;
  return h;
}

void WaitForStart() {
  const char* fd = std::getenv("VEK_OP_START_FD");
  if (!fd) return;
  char c;
  while (read(std::atoi(fd), &c, 1) > 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string op = argv[1];
  char code[10] = {};
  int result = -1;
  WaitForStart();
  if (op == "save" && argc == 5) {
    const HistoryInfo entry = NewEntry(std::atoi(argv[4]));
    result = SaveVekFile(argv[2], argv[3], 0, nullptr, &entry, code);
  } else if (op == "delete" && argc == 3) {
    result = DeleteAllHistory(argv[2], code);
  } else if (op == "agreed" && argc == 4) {
    result = SettingAgreed(argv[2], argv[3], code);
  } else if (op == "open" && argc == 4) {
    result = CZkVekFileOperation(argv[2]).OpenVekFile(argv[3], code);
  } else {
    return 2;
  }
  std::printf("%d %.9s\n", result, code);
  return result == 1 ? 0 : 1;
}
