// The exported functions of the header library stand-in (see OvSvInfo.h).
#include "OvSvInfo.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ArchiveRecords.h"
#include "DorvikSession.h"
#include "EstimateHead.h"
#include "Unpacking.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace {

using ovsvinfo::DorvikSession;
using ovsvinfo::StagedCopy;
using ovsvinfo::TemporaryWorkFolder;

constexpr std::int16_t kSuccess = 0;
constexpr std::int16_t kFailure = -1;

template <class Body>
std::int16_t Guarded(Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return kFailure;
  }
}

bool Given(const char* text) { return text && *text; }

std::string WithoutTrailingDelimiters(std::string folder) {
  while (folder.size() > 1 && folder.back() == platform::kDelimiter) folder.pop_back();
  return folder;
}

// The name the estimate gets in the target folder: its own, with the extension ".vek".
std::string TargetName(const std::string& source) {
  std::string name = ovsvinfo::FileNameOf(source);
  if (platform::EqualsNoCaseAscii(ovsvinfo::ExtensionOf(name), "vek")) return name;
  return ovsvinfo::StemOf(name) + ".vek";
}

std::int16_t Unpack(const char* pVekFileName, const char* pTargetFolder) {
  if (!Given(pVekFileName) || !Given(pTargetFolder)) return kFailure;
  std::string source = pVekFileName;
  std::string folder = WithoutTrailingDelimiters(pTargetFolder);
  if (!platform::IsFile(source) || !platform::IsFolder(folder)) return kFailure;
  std::string name = TargetName(source);
  std::string targetVek = folder + platform::kDelimiter + name;
  std::string targetXml = folder + platform::kDelimiter + ovsvinfo::StemOf(name) + ".xml";
  // Replacing either would destroy the estimate being unpacked.
  if (platform::SameFile(source, targetVek) || platform::SameFile(source, targetXml)) return kFailure;

  DorvikSession dorvik;
  if (!dorvik.Start()) return kFailure;
  TemporaryWorkFolder work;
  std::string linkFile;
  if (!ovsvinfo::UnpackEstimate(dorvik, source, work, linkFile)) return kFailure;

  // The photographs go beside the estimate, where the photo control shows them.
  std::vector<std::string> images = ovsvinfo::EstimateImages(dorvik, work.path());
  std::vector<std::string> imageTargets;
  for (const std::string& image : images) {
    std::string imageTarget = folder + platform::kDelimiter + ovsvinfo::FileNameOf(image);
    if (platform::SameFile(source, imageTarget)) return kFailure;
    imageTargets.push_back(imageTarget);
  }

  StagedCopy vek, xml;
  std::vector<StagedCopy> photos(images.size());
  if (!vek.Stage(source, targetVek)) return kFailure;
  if (!linkFile.empty() && !xml.Stage(linkFile, targetXml)) return kFailure;
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (!photos[i].Stage(images[i], imageTargets[i])) return kFailure;
  }
  // The estimate comes last, so that an estimate in the target always has its photo-link file and its
  // photographs beside it.
  auto undo = [&] {
    for (StagedCopy& photo : photos) photo.Undo();
    xml.Undo();
  };
  if (!linkFile.empty() && !xml.Commit()) return kFailure;
  for (StagedCopy& photo : photos) {
    if (!photo.Commit()) {
      undo();
      return kFailure;
    }
  }
  if (!vek.Commit()) {
    undo();
    return kFailure;
  }
  return kSuccess;
}

template <std::size_t N>
void PutField(char (&to)[N], const ovsvinfo::EstimateHead& head, std::size_t offset) {
  std::memcpy(to, ovsvinfo::HeaderInfoField(head, offset, N).data(), N);
}

// The header information and the archive's file records are read from the estimate itself: a page of
// estimates neither unpacks an archive nor loads the estimate-file library.
std::int16_t ReadSummary(int nKind, const char* pVekFileName, char* pBuffer) {
  if (nKind != OVSVINFO_KIND_SHORT_SUMMARY || !Given(pVekFileName) || !pBuffer) return kFailure;
  std::string source = pVekFileName;
  if (!platform::IsFile(source)) return kFailure;

  ovsvinfo::EstimateHead head;
  if (!ovsvinfo::ReadEstimateHead(source, head)) return kFailure;
  std::vector<std::string> names;
  if (!ovsvinfo::ReadArchiveFileNames(source, head.archiveOffset, names)) return kFailure;
  const bool carriesLinkFile = std::any_of(names.begin(), names.end(), ovsvinfo::IsLinkFileName);

  // Offsets of the header information's packed layout.
  OvHeaderSummaryShort summary;
  std::memset(&summary, 0, sizeof summary);
  PutField(summary.AcceptNo, head, 0);
  PutField(summary.CustomerName, head, 107);
  PutField(summary.CarName, head, 137);
  PutField(summary.CarNoDepartment, head, 267);
  PutField(summary.CarNoDivision, head, 275);
  PutField(summary.CarNoBusiness, head, 281);
  PutField(summary.CarNoSerial, head, 285);
  summary.LinkFileFlag[0] = 0;
  summary.LinkFileFlag[1] = carriesLinkFile ? 1 : 0;
  std::memcpy(pBuffer, &summary, sizeof summary);
  return kSuccess;
}

std::int16_t ReadDataPath(char* pBuffer) {
  if (!pBuffer) return kFailure;
  std::string folder;
  if (!platform::CurrentEnvironment().ReadRegistry(OVSVINFO_REGISTRY_KEY, OVSVINFO_REGISTRY_DATA_PATH, folder)) {
    return kFailure;
  }
  if (folder.empty() || folder.size() >= OVSVINFO_DATA_PATH_BUFFER_SIZE) return kFailure;
  std::memcpy(pBuffer, folder.c_str(), folder.size() + 1);
  return kSuccess;
}

}  // namespace

extern "C" {

OVSVINFO_API int16_t OvFMalt(const char* pVekFileName, const char* pTargetFolder) {
  return Guarded([&] { return Unpack(pVekFileName, pTargetFolder); });
}

OVSVINFO_API int16_t OvGetHeader(int nKind, const char* pVekFileName, char* pBuffer) {
  return Guarded([&] { return ReadSummary(nKind, pVekFileName, pBuffer); });
}

OVSVINFO_API int16_t OvGetDataPath(char* pBuffer) {
  return Guarded([&] { return ReadDataPath(pBuffer); });
}

}  // extern "C"
