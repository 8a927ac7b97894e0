#include "cab_set.h"

#include <algorithm>

#include "cabinet/fdi.h"

namespace cabinet {

namespace {

bool Linked(const Header& h, std::uint16_t flag) { return (h.flags & flag) != 0; }
bool FromPrevious(const CabinetRecords::File& f) {
  return f.folder == kContinuedFromPrev || f.folder == kContinuedPrevAndNext;
}
bool ToNext(const CabinetRecords::File& f) { return f.folder == kContinuedToNext || f.folder == kContinuedPrevAndNext; }

}  // namespace

bool FolderOfFile(const CabinetRecords& c, const CabinetRecords::File& f, std::size_t& folder) {
  const std::size_t n = c.folders.size();
  if (n == 0) return false;
  switch (f.folder) {
    case kContinuedFromPrev:
      folder = 0;
      return Linked(c.h, kFlagPrevCabinet);
    case kContinuedToNext:
      folder = n - 1;
      return Linked(c.h, kFlagNextCabinet);
    case kContinuedPrevAndNext:
      // A decoder joins such a file's folder both ways: with a second folder beside it, the join with the
      // previous cabinet would drop the file while the join with the next still points at it.
      folder = 0;
      return n == 1 && Linked(c.h, kFlagPrevCabinet) && Linked(c.h, kFlagNextCabinet);
    default:
      folder = f.folder;
      return folder < n;
  }
}

bool SetCheck::Refuse(int error) {
  error_ = error;
  return false;
}

bool SetCheck::Add(CabinetRecords c) {
  if (c.folders.empty() || c.files.empty()) return Refuse(FDIERROR_CORRUPT_CABINET);
  for (const CabinetRecords::File& f : c.files) {
    std::size_t folder = 0;
    if (!FolderOfFile(c, f, folder)) return Refuse(FDIERROR_CORRUPT_CABINET);
    if (first_ && FromPrevious(f)) return Refuse(FDIERROR_CORRUPT_CABINET);  // the set begins in the middle
    c.folders[folder].filesEnd = std::max(c.folders[folder].filesEnd, std::uint64_t{f.offset} + f.size);
  }
  // A split block ends only a cabinet that goes on.
  for (std::size_t i = 0; i < c.folders.size(); ++i) {
    if (c.folders[i].lastSplit && (i + 1 != c.folders.size() || !Linked(c.h, kFlagNextCabinet))) {
      return Refuse(FDIERROR_CORRUPT_CABINET);
    }
  }
  bool joined = false;  // the first folder goes on from the last cabinet's last folder
  if (!first_) {
    const CabinetRecords& left = last_;
    if (!Linked(c.h, kFlagPrevCabinet) || c.h.setId != left.h.setId || left.h.cabinetIndex == 0xFFFF ||
        c.h.cabinetIndex != left.h.cabinetIndex + 1) {
      return Refuse(FDIERROR_WRONG_CABINET);
    }
    // The files that go on from the left are its last ones; they come again, in the same order, as the right's
    // first ones, and nothing else lies in the right's first folder (a decoder that joins the folders keeps the
    // left's records and drops every record of the right's first folder).
    const std::size_t going = static_cast<std::size_t>(std::count_if(left.files.begin(), left.files.end(), ToNext));
    const std::size_t coming = static_cast<std::size_t>(std::count_if(c.files.begin(), c.files.end(), FromPrevious));
    const CabinetRecords::Folder& leftLast = left.folders.back();
    joined = going > 0 || coming > 0;
    if (!joined) {
      if (leftLast.lastSplit) return Refuse(FDIERROR_WRONG_CABINET);
    } else {
      if (going != coming || !leftLast.lastSplit) return Refuse(FDIERROR_WRONG_CABINET);
      const std::size_t from = left.files.size() - going;
      for (std::size_t i = 0; i < going; ++i) {
        const CabinetRecords::File& l = left.files[from + i];
        const CabinetRecords::File& r = c.files[i];
        if (!ToNext(l) || !FromPrevious(r) || l.offset != r.offset || l.size != r.size || l.name != r.name) {
          return Refuse(FDIERROR_WRONG_CABINET);
        }
      }
      for (std::size_t i = going; i < c.files.size(); ++i) {
        std::size_t folder = 0;
        FolderOfFile(c, c.files[i], folder);
        if (folder == 0) return Refuse(FDIERROR_WRONG_CABINET);
      }
      const CabinetRecords::Folder& rightFirst = c.folders.front();
      if (rightFirst.type != leftLast.type || std::uint32_t{leftLast.blocks} + rightFirst.blocks - 1 > 0xFFFF ||
          carry_ + rightFirst.firstPacked > kLargestPackedBlock) {
        return Refuse(FDIERROR_WRONG_CABINET);
      }
    }
  }
  // Every file lies inside the data of its folder, a continued folder's data counted over all its cabinets.
  const bool goesOn = std::any_of(c.files.begin(), c.files.end(), ToNext);
  for (std::size_t i = 0; i < c.folders.size(); ++i) {
    const CabinetRecords::Folder& f = c.folders[i];
    std::uint64_t data = f.data, end = f.filesEnd;
    if (i == 0 && joined) {
      data += openData_;
      end = std::max(end, openEnd_);
    }
    if (i + 1 == c.folders.size() && goesOn) {
      openData_ = data;
      openEnd_ = end;
    } else if (end > data) {
      return Refuse(FDIERROR_CORRUPT_CABINET);
    }
  }
  const CabinetRecords::Folder& lastFolder = c.folders.back();
  if (!lastFolder.lastSplit) {
    carry_ = 0;
  } else {
    const bool throughOnly = c.folders.size() == 1 && lastFolder.blocks == 1 && joined;
    carry_ = (throughOnly ? carry_ : 0) + lastFolder.lastPacked;
  }
  first_ = false;
  last_ = std::move(c);
  return true;
}

}  // namespace cabinet
