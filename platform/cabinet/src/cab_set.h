// How the cabinets of a set hang together, judged from their records before any decoder sees them: a
// continued folder goes on as the next cabinet's first folder with the same files, and nothing a decoder
// joins can be left pointing at a record it drops. Pure work on records; the reader reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cab_format.h"

namespace cabinet {

// What the reader learnt of one cabinet: its header, its folders with the sizes of their data blocks, its files.
struct CabinetRecords {
  struct Folder {
    std::uint16_t type = 0;      // the whole compression field
    std::uint16_t blocks = 0;
    std::uint64_t data = 0;      // uncompressed bytes of its blocks
    std::uint32_t firstPacked = 0, lastPacked = 0;
    bool lastSplit = false;      // its last block goes on in the next cabinet (uncompressed size 0)
    std::uint64_t filesEnd = 0;  // where the data of its files ends, at most
  };
  struct File {
    std::string name;  // as stored
    std::uint32_t size = 0, offset = 0;
    std::uint16_t folder = 0;  // as stored: an index or one of the continued marks
  };
  Header h;
  std::vector<Folder> folders;
  std::vector<File> files;
};

// The folder of this cabinet whose data a file lies in (continued files: the first or the last folder); false
// when the cabinet has no such folder or the file's mark needs a link the header does not have, or a file
// continued both ways shares its cabinet with a second folder.
bool FolderOfFile(const CabinetRecords& c, const CabinetRecords::File& f, std::size_t& folder);

// Checks a set one cabinet at a time, in set order.
class SetCheck {
 public:
  // The next cabinet (the first one first); false, with error() (an FDIERROR code), when it breaks a rule
  // alone or with the cabinet before it. The set ends with a cabinet that names no next one.
  bool Add(CabinetRecords c);
  int error() const { return error_; }

 private:
  bool Refuse(int error);
  bool first_ = true;
  CabinetRecords last_;
  // The data and the files' end of the folder that goes on from the last cabinet, so far.
  std::uint64_t openData_ = 0, openEnd_ = 0;
  std::uint32_t carry_ = 0;  // packed bytes of the block that goes on from the last cabinet
  int error_ = 0;
};

}  // namespace cabinet
