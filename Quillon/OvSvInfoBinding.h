// The photo control's binding of the outside header library "OvSvInfo.dll" for its one function OvFMalt, through
// which an estimate file is unpacked into a folder. The library stays loaded only during one unpacking.
#pragma once

#include <cstdint>
#include <string>

#include "platform/module.h"

namespace quillon {

class COvSvInfoBinding {
 public:
  COvSvInfoBinding() = default;
  ~COvSvInfoBinding();
  COvSvInfoBinding(const COvSvInfoBinding&) = delete;
  COvSvInfoBinding& operator=(const COvSvInfoBinding&) = delete;

  // Loads the library and looks up OvFMalt: 0, or -1 after message 1016 (nothing stays loaded).
  int Bind();
  // Unpacks estimateFile into targetFolder: 0, or -1 after message 1016 (library missing or failing) or 1017
  // (the library refused). With the search flag set, the unpacked estimate's path is found afterwards.
  int UnpackEstimate(const std::string& targetFolder, const std::string& estimateFile);

  void SetSearch(int flag) { m_nSearch = flag; }
  // The unpacked estimate file (".vek" in the target folder), empty when none was searched for or found.
  const std::string& EstimateFile() const { return m_strEstimateFile; }
  // The target folder of the last unpacking, with a trailing delimiter.
  const std::string& TargetFolder() const { return m_strTargetFolder; }

 private:
  void Release();
  void FindUnpackedEstimate();

  std::string m_strEstimateFile;
  std::string m_strTargetFolder;
  int m_nSearch = 0;
  platform::ModuleHandle m_hLibrary = nullptr;
  std::int16_t (*m_pOvFMalt)(const char*, const char*) = nullptr;
};

}  // namespace quillon
