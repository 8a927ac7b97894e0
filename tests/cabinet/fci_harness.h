// Packing through the FCI entry points with callbacks over the platform layer that count their calls
// and fail on request.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cabinet/fci.h"

namespace cabtest {

class FciRun {
 public:
  // The cabinet folder/name (CP932 paths; "/" at the end of folder), limits as in CCAB.
  FciRun(const std::string& folder, const std::string& name, std::uint32_t maxSize = 1000000000,
         std::uint32_t folderThreshold = 900000);
  ~FciRun();

  bool Create();
  bool Add(const std::string& source, const std::string& stored, TCOMP type = tcompTYPE_MSZIP);
  bool Flush();
  bool Destroy();
  // Create, Add every (source, stored), Flush, Destroy; false at the first failure.
  bool Pack(const std::vector<std::pair<std::string, std::string>>& files);

  CCAB ccab{};
  ERF erf{};
  std::string tempFolder;  // where temporary files are named (default: the cabinet folder)

  // What the open-information callback hands back for every file.
  std::uint16_t date = 0x5A8A, time = 0x6C45, attribs = 0x21;  // 2025-04-10 13:34:10, read-only+archive

  // Faults.
  bool failOpenInfo = false;
  long sizeSkew = 0;            // added to the size the seek callback reports at the end of a source
  int failCabinetWrite = 0;     // the Nth write to a cabinet fails
  bool failCabinetOpen = false; // a cabinet cannot be created
  int failCabinetRead = 0;      // the Nth read of a cabinet that is being written fails
  int abortStatus = -1;         // status type that answers -1
  bool abortPlaced = false;
  bool refuseNextCabinet = false;

  // Counts.
  int opens = 0, closes = 0, reads = 0, writes = 0, seeks = 0, deletes = 0, tempNames = 0, nextCabinets = 0,
      openInfos = 0;
  int status[3] = {0, 0, 0};
  std::vector<std::pair<std::string, bool>> placed;  // name, continuation
  std::vector<std::string> cabinets;                 // paths opened to be written
  int cabinetWrites = 0, cabinetReads = 0;

 private:
  HFCI h_ = nullptr;
  int tempCounter_ = 0;
  friend struct FciCallbacks;
};

}  // namespace cabtest
