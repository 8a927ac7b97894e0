// What unpacking an estimate needs besides the estimate-file library: a temporary work folder that goes with
// everything in it, the photo-link file found in a work folder, and copies that appear in a target folder
// only when complete.
#pragma once

#include <string>
#include <vector>

#include "DorvikSession.h"

namespace ovsvinfo {

// A fresh folder in the system's temporary folder, removed with its content when the object goes.
class TemporaryWorkFolder {
 public:
  TemporaryWorkFolder() = default;
  ~TemporaryWorkFolder();
  TemporaryWorkFolder(const TemporaryWorkFolder&) = delete;
  TemporaryWorkFolder& operator=(const TemporaryWorkFolder&) = delete;

  bool Create();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Opens vekFile into a fresh temporary work folder and finds its photo-link file: the one the library names,
// else the first ".xml" file of the folder (an estimate renamed after it was saved keeps its old name
// inside). linkFile is left empty when the estimate carries none.
bool UnpackEstimate(DorvikSession& dorvik, const std::string& vekFile, TemporaryWorkFolder& work,
                    std::string& linkFile);

// The estimate's JPEG photographs (".jpg" without regard to case) in the image folder of its work folder, in
// the folder's listing order; none when the estimate holds no image folder.
std::vector<std::string> EstimateImages(DorvikSession& dorvik, const std::string& workFolder);

// A copy made under a temporary name beside its target and renamed over the target by Commit; removed when
// the object goes uncommitted.
class StagedCopy {
 public:
  StagedCopy() = default;
  ~StagedCopy();
  StagedCopy(const StagedCopy&) = delete;
  StagedCopy& operator=(const StagedCopy&) = delete;

  bool Stage(const std::string& from, const std::string& target);
  bool Commit();
  // Removes the committed target again when it is a new file; one that replaced a file of the same name stays,
  // since the file it replaced is gone and removing it would leave the name empty.
  void Undo();

 private:
  std::string temporary_, target_;
  bool committed_ = false;
  bool replaced_ = false;  // the target stood before the commit
};

// The last component of a path; the text after the last "." of a name (empty without one); a name without
// its extension.
std::string FileNameOf(const std::string& path);
std::string ExtensionOf(const std::string& name);
std::string StemOf(const std::string& name);

}  // namespace ovsvinfo
