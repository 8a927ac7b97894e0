#include "UIF_HestrelMain.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "UBL_ComFileCtrl.h"
#include "UBL_ComUtility.h"
#include "UBL_OvLog.h"
#include "UBL_OvMessageDlg.h"
#include "UDC_HestrelConst.h"
#include "UIF_DBAcsFlDatWrapper.h"
#include "URC_HeaderSummary.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace hestrel {

namespace {

// The temporary folder as the system reports it had to fit a buffer of this size.
constexpr std::size_t kTempPathBuffer = 260;

bool IsFileArg(const char* path) { return path && platform::IsFile(path); }

std::string Join(const std::string& folder, const std::string& name) { return OvAddPathDelimiter(folder) + name; }

bool SameContent(const std::string& a, const std::string& b) {
  auto fa = platform::File::Open(a, platform::OpenMode::Read);
  auto fb = platform::File::Open(b, platform::OpenMode::Read);
  if (!fa || !fb) return false;
  std::vector<char> ba(64 * 1024), bb(64 * 1024);
  for (;;) {
    std::int64_t na = fa->Read(ba.data(), ba.size());
    if (na < 0 || !fb->ReadAll(bb.data(), static_cast<std::size_t>(na))) return false;
    if (std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(na)) != 0) return false;
    if (na == 0) return fb->Read(bb.data(), 1) == 0;
  }
}

// Copies one file into the image folder without overwriting. An existing file of that name is kept; when the
// estimate is saved over itself it must hold the same bytes, or the image would survive nowhere. False when
// the file is not safely out.
bool TakeOut(const std::string& source, const std::string& imageFolder, const std::string& name, bool onlyCopy) {
  std::string destination = Join(imageFolder, name);
  if (platform::GetPathKind(destination) != platform::PathKind::None) {
    return !onlyCopy || SameContent(source, destination);
  }
  if (platform::CopyFile(source, destination, true)) return true;
  if (platform::IsFile(destination)) platform::DeleteFile(destination);  // no half copy left behind
  return false;
}

// The bitmaps and JPEG files at the top of the image folder; the estimate saved elsewhere keeps them all.
bool TakeOutImages(const std::string& imagePath, const std::string& imageFolder) {
  for (const char* pattern : {"*.bmp", "*.jpg"}) {
    std::vector<platform::FindEntry> entries;
    platform::FindFiles(Join(imagePath, pattern), entries);
    for (const platform::FindEntry& e : entries) {
      if (e.isFolder) continue;
      if (!TakeOut(Join(imagePath, e.name), imageFolder, e.name, false)) return false;
    }
  }
  return true;
}

// What lies below an estimate's image folder, as paths below it ("P0001.jpg", "sub/P0002.png").
struct ImageTree {
  std::vector<std::string> folders;  // each before what it holds
  std::vector<std::string> files;
};

// Deeper than an estimate's folders go; a tree deeper still, or a folder that cannot be read, refuses the call
// rather than leave photos unlisted. Links to folders and special files are not followed, as a save leaves them
// out of the estimate.
constexpr int kMaxImageDepth = 64;

bool ListImageTree(const std::string& imagePath, const std::string& below, int depth, ImageTree& tree) {
  std::vector<platform::FindEntry> entries;
  if (!platform::FindFiles(Join(below.empty() ? imagePath : Join(imagePath, below), "*.*"), entries)) return false;
  for (const platform::FindEntry& e : entries) {
    if (e.name == "." || e.name == ".." || e.isSpecial) continue;
    std::string path = below.empty() ? e.name : Join(below, e.name);
    if (!e.isFolder) {
      tree.files.push_back(path);
    } else if (!e.isSymlink) {
      if (depth >= kMaxImageDepth) return false;
      tree.folders.push_back(path);
      if (!ListImageTree(imagePath, path, depth + 1, tree)) return false;
    }
  }
  return true;
}

// Saved over itself, the estimate keeps none of its image folder: every file below it comes out, in its
// sub-folder, whatever its kind. Nothing is copied unless every file can come out: a name taken by a folder,
// or by a file with other bytes, refuses the whole call first.
bool TakeOutImageTree(const std::string& imagePath, const std::string& imageFolder) {
  ImageTree tree;
  if (platform::IsFolder(imagePath) && !ListImageTree(imagePath, "", 0, tree)) return false;  // none: nothing to take
  for (const std::string& folder : tree.folders) {
    platform::PathKind kind = platform::GetPathKind(Join(imageFolder, folder));
    if (kind != platform::PathKind::None && kind != platform::PathKind::Folder) return false;
  }
  for (const std::string& file : tree.files) {
    std::string destination = Join(imageFolder, file);
    if (platform::GetPathKind(destination) != platform::PathKind::None &&
        !(platform::IsFile(destination) && SameContent(Join(imagePath, file), destination))) {
      return false;
    }
  }
  for (const std::string& folder : tree.folders) {
    std::string destination = Join(imageFolder, folder);
    if (!platform::IsFolder(destination) && !platform::MakeFolder(destination)) return false;
  }
  for (const std::string& file : tree.files) {
    if (!TakeOut(Join(imagePath, file), imageFolder, file, true)) return false;
  }
  return true;
}

// The photo-link file by its name, else the first XML file of its folder; an estimate without one is fine. It
// stays in the estimate, so an existing file of its name in the image folder is simply kept.
bool TakeOutLinkFile(const std::string& linkFile, const std::string& imageFolder) {
  std::string source = linkFile;
  if (!platform::IsFile(source)) {
    std::size_t slash = platform::FindLastChar(source, platform::kDelimiter);
    std::string folder = slash == std::string::npos ? std::string(".") : source.substr(0, slash);
    std::vector<platform::FindEntry> entries;
    platform::FindFiles(Join(folder, "*.xml"), entries);
    for (const platform::FindEntry& e : entries) {
      if (!e.isFolder) {
        source = Join(folder, e.name);
        break;
      }
    }
  }
  if (!platform::IsFile(source)) return true;
  std::size_t slash = platform::FindLastChar(source, platform::kDelimiter);
  return TakeOut(source, imageFolder, slash == std::string::npos ? source : source.substr(slash + 1), false);
}

}  // namespace

void HestrelLoad() noexcept {
  try {
    SetOvMessageDlg(std::make_unique<TOvMessageDlg>());
    SetOvLog(std::make_unique<TOvLog>());
  } catch (...) {
  }
}

void HestrelUnload() noexcept {
  SetOvLog(nullptr);
  SetOvMessageDlg(nullptr);
}

bool CreateWorkFolder(std::string& workFolder) {
  std::string temp = OvAddPathDelimiter(platform::CurrentEnvironment().TempFolder());
  if (temp.size() >= kTempPathBuffer) return false;
  platform::LocalTime t;
  if (!platform::Now(t)) return false;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%03d", t.month % 100, t.day % 100, t.hour % 100,
                t.minute % 100, t.millisecond % 1000);
  workFolder = temp + kWorkFolderPrefix + stamp;
  return platform::MakeFolder(workFolder);
}

void DeleteWorkFolder(const std::string& workFolder) {
  OvDirectoryDelete(workFolder.c_str());
  if (!platform::IsFolder(workFolder)) return;
  std::vector<platform::FindEntry> entries;
  platform::FindFiles(Join(workFolder, "*.*"), entries);
  for (const platform::FindEntry& e : entries) {
    if (e.name == "." || e.name == "..") continue;
    std::string path = Join(workFolder, e.name);
    platform::SetAttributes(path, platform::kAttrNormal);
    platform::DeleteFile(path);
  }
  platform::RemoveFolder(workFolder);
}

}  // namespace hestrel

using namespace hestrel;

std::int32_t ZkGetHeader(const char* DllFolderPath, const char* VekFileName, char* Buffer, std::int32_t* BufSize,
                         std::int32_t Mode) noexcept {
  std::int32_t failure = -1;
  try {
    if (!IsFileArg(VekFileName) || !BufSize) return -1;
    if (*BufSize < kHeaderBufferSize) {
      *BufSize = kHeaderBufferSize;
      return 1;
    }
    if (!Buffer) return -1;
    std::memset(Buffer, 0, static_cast<std::size_t>(*BufSize));
    std::string code;
    auto wrapper = std::make_unique<TDBAcsFlDatWrapper>(DllFolderPath);
    if (wrapper->Initialize(0, nullptr, nullptr, 0, "", code) != 0) return -1;
    failure = -2;
    HeaderData data;
    if (wrapper->ReadFileHeaderData(VekFileName, data, code) != 0) return -2;
    if (std::string(data.Signature, strnlen(data.Signature, sizeof data.Signature)) != kVekSignature) return -3;
    failure = -4;
    HeaderInfo info;
    if (wrapper->ReadFileHeaderInfo(VekFileName, info, code) != 0) return -4;
    auto* out = reinterpret_cast<unsigned char*>(Buffer);
    if (Mode == 0) {
      PackHeaderSummaryLong(data, info, out);
    } else if (Mode == 1) {
      PackHeaderSummaryShort(info, out);
    } else {
      return -5;
    }
    return 0;
  } catch (...) {
    return failure;
  }
}

std::int32_t ZkGetImgData(const char* DllFolderPath, const char* SrcVekFileName, const char* DstVekFileName,
                          const char* ImageFolder) noexcept {
  std::int32_t failure = -1;
  try {
    if (!IsFileArg(SrcVekFileName)) return -1;
    if (!ImageFolder || std::strlen(ImageFolder) > kImageFolderLimit || !platform::IsFolder(ImageFolder)) return -2;
    failure = -3;
    // Saved over itself, the estimate keeps its images only in the image folder.
    const bool onlyCopy = DstVekFileName && platform::SameFile(SrcVekFileName, DstVekFileName);
    auto wrapper = std::make_unique<TDBAcsFlDatWrapper>(DllFolderPath);
    std::string work, code;
    if (!CreateWorkFolder(work)) return -3;
    failure = -4;
    if (wrapper->Initialize(0, nullptr, nullptr, 0, "", code) != 0) return -4;
    failure = -5;
    if (wrapper->OpenVekFile(SrcVekFileName, work.c_str(), code) != 0) return -5;
    failure = -6;
    std::string imagePath;
    if (wrapper->GetImagePathName(work.c_str(), imagePath, code) != 0) return -6;
    failure = kCopyFailed;
    const std::string images = OvTrim(imagePath);
    if (onlyCopy ? !TakeOutImageTree(images, ImageFolder) : !TakeOutImages(images, ImageFolder)) {
      return kCopyFailed;
    }
    failure = -7;
    std::string linkFile;
    if (wrapper->GetVistrelLinkFileName(work.c_str(), SrcVekFileName, linkFile, code) != 0) return -7;
    failure = kCopyFailed;
    if (!TakeOutLinkFile(OvTrim(linkFile), ImageFolder)) return kCopyFailed;
    failure = -8;
    if (wrapper->DeleteAllImageData(work.c_str(), code) != 0) return -8;
    failure = -9;
    if (wrapper->SaveVekFileEx(work.c_str(), DstVekFileName, code) != 0) return -9;
    failure = 0;  // saved: what follows is cleaning up
    DeleteWorkFolder(work);
    return 0;
  } catch (...) {
    return failure;
  }
}

std::int32_t ZkDivImgData(const char* DllFolderPath, const char* SrcVekFileName,
                          const char* DstVekFileName) noexcept {
  std::int32_t failure = -1;
  try {
    if (!IsFileArg(SrcVekFileName)) return -1;
    failure = -2;
    auto wrapper = std::make_unique<TDBAcsFlDatWrapper>(DllFolderPath);
    std::string work, code;
    if (!CreateWorkFolder(work)) return -2;
    failure = -3;
    if (wrapper->Initialize(0, nullptr, nullptr, 0, "", code) != 0) return -3;
    failure = -4;
    if (wrapper->OpenVekFile(SrcVekFileName, work.c_str(), code) != 0) return -4;
    failure = -5;
    if (wrapper->DeleteAllImageData(work.c_str(), code) != 0) return -5;
    failure = -6;
    if (wrapper->SaveVekFileEx(work.c_str(), DstVekFileName, code) != 0) return -6;
    failure = 0;
    DeleteWorkFolder(work);
    return 0;
  } catch (...) {
    return failure;
  }
}
