#include "DorvikSession.h"

#include <cstring>
#include <vector>

namespace ovsvinfo {

namespace {

template <class F>
bool Bind(platform::ModuleHandle module, const char* name, F& out) {
  out = platform::GetFunctionAs<F>(module, name);
  return out != nullptr;
}

}  // namespace

DorvikSession::~DorvikSession() {
  if (initialised_) finalize_();
  if (module_) platform::FreeModule(module_);
}

bool DorvikSession::Start() {
  module_ = platform::LoadModule("Dorvik.dll");
  if (!module_) return false;
  if (!Bind(module_, "Initialize", initialize_) || !Bind(module_, "Finalize", finalize_) ||
      !Bind(module_, "ReadFileHeaderData", readHeaderData_) || !Bind(module_, "ReadFileHeaderInfo", readHeaderInfo_) ||
      !Bind(module_, "OpenVekFile", openVekFile_) || !Bind(module_, "GetVistrelLinkFileName", linkFileName_) ||
      !Bind(module_, "GetImagePathName", imagePathName_)) {
    return false;
  }
  initialize_(0, nullptr, nullptr, 0, "");
  initialised_ = true;
  return true;
}

bool DorvikSession::ReadHeader(const std::string& vekFile, HeaderData& data, HeaderInfo& info) {
  char code[10] = {};
  std::memset(&data, 0, sizeof data);
  std::memset(&info, 0, sizeof info);
  return readHeaderData_(vekFile.c_str(), &data, code) == 1 && readHeaderInfo_(vekFile.c_str(), &info, code) == 1;
}

bool DorvikSession::Open(const std::string& vekFile, const std::string& workFolder) {
  char code[10] = {};
  return openVekFile_(vekFile.c_str(), workFolder.c_str(), code) == 1;
}

bool DorvikSession::LinkFileName(const std::string& workFolder, const std::string& vekFile, std::string& out) {
  char code[10] = {};
  int size = 0;
  if (linkFileName_(workFolder.c_str(), vekFile.c_str(), nullptr, &size, code) != 1 || size <= 0) return false;
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
  if (linkFileName_(workFolder.c_str(), vekFile.c_str(), buffer.data(), &size, code) != 1) return false;
  out.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  return true;
}

bool DorvikSession::ImagePathName(const std::string& workFolder, std::string& out) {
  char code[10] = {};
  int size = 0;
  if (imagePathName_(workFolder.c_str(), nullptr, &size, code) != 1 || size <= 0) return false;
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
  if (imagePathName_(workFolder.c_str(), buffer.data(), &size, code) != 1) return false;
  out.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
  return true;
}

}  // namespace ovsvinfo
