#include "OvSvInfoBinding.h"

#include <vector>

#include "ControlMessage.h"
#include "QuillonStrings.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace quillon {

namespace {

constexpr int kMsgLibraryMissing = 1016;
constexpr int kMsgUnpackFailed = 1017;

void ShowStop(int id) { controls::ShowTableMessage(StringTable(), id, platform::ui::BoxIcon::Stop); }

std::string WithDelimiter(std::string folder) {
  if (folder.empty() || folder.back() != platform::kDelimiter) folder += platform::kDelimiter;
  return folder;
}

}  // namespace

COvSvInfoBinding::~COvSvInfoBinding() { Release(); }

void COvSvInfoBinding::Release() {
  if (m_hLibrary) platform::FreeModule(m_hLibrary);
  m_hLibrary = nullptr;
  m_pOvFMalt = nullptr;
}

int COvSvInfoBinding::Bind() {
  Release();
  m_hLibrary = platform::LoadModule("OvSvInfo.dll");
  if (m_hLibrary) {
    m_pOvFMalt = platform::GetFunctionAs<std::int16_t (*)(const char*, const char*)>(m_hLibrary, "OvFMalt");
  }
  if (!m_pOvFMalt) {
    Release();
    ShowStop(kMsgLibraryMissing);
    return -1;
  }
  return 0;
}

int COvSvInfoBinding::UnpackEstimate(const std::string& targetFolder, const std::string& estimateFile) {
  m_strEstimateFile.clear();
  if (Bind() != 0) return -1;
  int result = -1;
  try {
    result = m_pOvFMalt(estimateFile.c_str(), targetFolder.c_str());
  } catch (...) {
    Release();
    ShowStop(kMsgLibraryMissing);
    return -1;
  }
  if (result != 0) {
    ShowStop(kMsgUnpackFailed);
    Release();
    return -1;
  }
  m_strTargetFolder = WithDelimiter(targetFolder);
  if (m_nSearch > 0) FindUnpackedEstimate();
  Release();
  return 0;
}

void COvSvInfoBinding::FindUnpackedEstimate() {
  std::vector<platform::FindEntry> found;
  if (!platform::FindFiles(m_strTargetFolder + "*.vek", found)) return;
  for (const platform::FindEntry& e : found) {
    if (e.isFolder) continue;
    std::size_t dot = platform::FindLastChar(e.name, '.');
    if (dot != std::string::npos && platform::EqualsNoCaseAscii(e.name.substr(dot + 1), "vek")) {
      m_strEstimateFile = m_strTargetFolder + e.name;
      return;
    }
  }
}

}  // namespace quillon
