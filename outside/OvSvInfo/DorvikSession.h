// The estimate-file library bound for one call: "Dorvik.dll" loaded from beside this library, the functions
// looked up by name, Initialize without a log first, Finalize and the release when the session goes.
#pragma once

#include <string>

#include "Dorvik.h"
#include "platform/module.h"

namespace ovsvinfo {

class DorvikSession {
 public:
  DorvikSession() = default;
  ~DorvikSession();
  DorvikSession(const DorvikSession&) = delete;
  DorvikSession& operator=(const DorvikSession&) = delete;

  // Loads, binds and initialises; false when the library or one of its functions is missing.
  bool Start();

  bool ReadHeader(const std::string& vekFile, HeaderData& data, HeaderInfo& info);
  bool Open(const std::string& vekFile, const std::string& workFolder);
  // The photo-link file that the work folder of vekFile holds when the estimate carries one.
  bool LinkFileName(const std::string& workFolder, const std::string& vekFile, std::string& out);
  // The folder of the estimate's photographs in its work folder.
  bool ImagePathName(const std::string& workFolder, std::string& out);

 private:
  platform::ModuleHandle module_ = nullptr;
  bool initialised_ = false;
  decltype(&::Initialize) initialize_ = nullptr;
  decltype(&::Finalize) finalize_ = nullptr;
  decltype(&::ReadFileHeaderData) readHeaderData_ = nullptr;
  decltype(&::ReadFileHeaderInfo) readHeaderInfo_ = nullptr;
  decltype(&::OpenVekFile) openVekFile_ = nullptr;
  decltype(&::GetVistrelLinkFileName) linkFileName_ = nullptr;
  decltype(&::GetImagePathName) imagePathName_ = nullptr;
};

}  // namespace ovsvinfo
