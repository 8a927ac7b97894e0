// A stand-in for the estimate-file library in tests: exports the names the extraction library binds,
// answers with canned results, records every call, and acts out opening, image deletion and saving on the
// work folder. Built in variants that lack one export (FAKE_WITHOUT_<name>).
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace fs = std::filesystem;

namespace {

struct Failure {
  int result = 0;
  std::string code;
};

struct Text {
  bool set = false;
  std::string text;
  int reportedSize = -1;
};

std::map<std::string, Failure> g_failures;
std::map<std::string, Text> g_texts;
std::string g_content;  // lines "relative/path=bytes" made by OpenVekFile
std::string g_calls;
std::string g_saved;
unsigned char g_headerData[16];
unsigned char g_headerInfo[312];

const char* Show(const char* s) { return s ? s : "<null>"; }

void Record(const std::string& call) {
  if (!g_calls.empty()) g_calls += "|";
  g_calls += call;
}

// True (and the code written) when the test made this function fail.
bool Failing(const char* name, char* code, int& result) {
  auto it = g_failures.find(name);
  if (it == g_failures.end()) return false;
  result = it->second.result;
  if (code) std::strncpy(code, it->second.code.c_str(), 10);
  return true;
}

void DefaultHeader() {
  std::memset(g_headerData, 0, sizeof g_headerData);
  std::memcpy(g_headerData, "VEK30010", 8);
  g_headerData[8] = 0x31;  // 305
  g_headerData[9] = 0x01;
  g_headerData[12] = 10;
  std::memset(g_headerInfo, 0, sizeof g_headerInfo);
}

int TextAnswer(const char* name, const std::string& natural, char* buffer, int* size, char* code) {
  const Text& t = g_texts[name];
  std::string text = t.set ? t.text : natural;
  int needed = static_cast<int>(text.size()) + 1;
  if (!buffer) {
    *size = t.reportedSize >= 0 ? t.reportedSize : needed;
    return 1;
  }
  if (*size != needed) {
    std::strncpy(code, "E01000001", 10);
    return 0;
  }
  std::memset(buffer, 0, static_cast<std::size_t>(*size));
  std::memcpy(buffer, text.data(), text.size());
  return 1;
}

const bool g_headerMade = (DefaultHeader(), true);

}  // namespace

// Forgets every setting, call and save; the header becomes "VEK3" "0010" 305 10 and zeros.
FAKE_EXPORT void FakeDorvikReset() {
  g_failures.clear();
  g_texts.clear();
  g_content.clear();
  g_calls.clear();
  g_saved.clear();
  DefaultHeader();
}

// The function named returns result and writes code instead of doing its work.
FAKE_EXPORT void FakeDorvikFail(const char* name, int result, const char* code) {
  g_failures[name] = Failure{result, code ? code : ""};
}

// The files OpenVekFile makes in the work folder: lines "relative/path=bytes"; a path ending in "/" is a folder.
FAKE_EXPORT void FakeDorvikSetContent(const char* lines) { g_content = lines ? lines : ""; }

// The text GetImagePathName or GetVistrelLinkFileName answers, and the size its first call reports
// (-1: the text's length + 1).
FAKE_EXPORT void FakeDorvikSetText(const char* name, const char* text, int reportedSize) {
  g_texts[name] = Text{text != nullptr, text ? text : "", reportedSize};
}

FAKE_EXPORT void FakeDorvikSetHeader(const void* headerData, const void* headerInfo) {
  if (headerData) std::memcpy(g_headerData, headerData, sizeof g_headerData);
  if (headerInfo) std::memcpy(g_headerInfo, headerInfo, sizeof g_headerInfo);
}

// The calls since the reset, "Name(args)" joined with "|".
FAKE_EXPORT const char* FakeDorvikCalls() { return g_calls.c_str(); }

// What the last SaveVekFileEx found in the work folder: its entries (sorted, relative), one per line.
FAKE_EXPORT const char* FakeDorvikSaved() { return g_saved.c_str(); }

#ifndef FAKE_WITHOUT_Initialize
FAKE_EXPORT int Initialize(int nMode, const char* pLogFilePath, const char* pLogFileName, int nLogWriteLevel,
                           const char* pMsgFileName) {
  std::ostringstream s;
  s << "Initialize(" << nMode << "," << Show(pLogFilePath) << "," << Show(pLogFileName) << "," << nLogWriteLevel
    << "," << Show(pMsgFileName) << ")";
  Record(s.str());
  int result = 1;
  Failing("Initialize", nullptr, result);
  return result;
}
#endif

FAKE_EXPORT void Finalize() { Record("Finalize"); }

FAKE_EXPORT int ReadFileHeaderData(const char* pVekFileName, void* pDest, char* pErrorCode) {
  Record(std::string("ReadFileHeaderData(") + Show(pVekFileName) + ")");
  int result = 1;
  if (Failing("ReadFileHeaderData", pErrorCode, result)) return result;
  std::memcpy(pDest, g_headerData, sizeof g_headerData);
  return 1;
}

FAKE_EXPORT int ReadFileHeaderInfo(const char* pVekFileName, void* pDest, char* pErrorCode) {
  Record(std::string("ReadFileHeaderInfo(") + Show(pVekFileName) + ")");
  int result = 1;
  if (Failing("ReadFileHeaderInfo", pErrorCode, result)) return result;
  std::memcpy(pDest, g_headerInfo, sizeof g_headerInfo);
  return 1;
}

FAKE_EXPORT int OpenVekFile(const char* pVekFileName, const char* pWorkPathName, char* pErrorCode) {
  Record(std::string("OpenVekFile(") + Show(pVekFileName) + ")");
  int result = 1;
  if (Failing("OpenVekFile", pErrorCode, result)) return result;
  std::istringstream lines(g_content);
  for (std::string line; std::getline(lines, line);) {
    std::size_t eq = line.find('=');
    fs::path path = fs::path(pWorkPathName) / line.substr(0, eq);
    if (!line.empty() && line.substr(0, eq).back() == '/') {
      fs::create_directories(path);
      continue;
    }
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << (eq == std::string::npos ? "" : line.substr(eq + 1));
  }
  return 1;
}

FAKE_EXPORT int GetImagePathName(const char* pWorkPathName, char* pPathName, int* pByteSize, char* pErrorCode) {
  Record(pPathName ? "GetImagePathName(buffer)" : "GetImagePathName(size)");
  int result = 1;
  if (Failing("GetImagePathName", pErrorCode, result)) return result;
  return TextAnswer("GetImagePathName", std::string(pWorkPathName) + "/Image", pPathName, pByteSize, pErrorCode);
}

FAKE_EXPORT int GetVistrelLinkFileName(const char* pWorkPathName, const char* pVekFileName, char* pFileName,
                                       int* pByteSize, char* pErrorCode) {
  Record(std::string(pFileName ? "GetVistrelLinkFileName(buffer," : "GetVistrelLinkFileName(size,") +
         Show(pVekFileName) + ")");
  int result = 1;
  if (Failing("GetVistrelLinkFileName", pErrorCode, result)) return result;
  std::string natural = std::string(pWorkPathName) + "/" + fs::path(pVekFileName).stem().string() + ".xml";
  return TextAnswer("GetVistrelLinkFileName", natural, pFileName, pByteSize, pErrorCode);
}

FAKE_EXPORT int DeleteAllImageData(const char* pWorkPathName, char* pErrorCode) {
  Record("DeleteAllImageData");
  int result = 1;
  if (Failing("DeleteAllImageData", pErrorCode, result)) return result;
  std::error_code ec;
  fs::remove_all(fs::path(pWorkPathName) / "Image", ec);  // the photo-link file stays
  return 1;
}

FAKE_EXPORT int SaveVekFileEx(const char* pWorkPathName, const char* pVekFileName, char* pErrorCode) {
  Record(std::string("SaveVekFileEx(") + Show(pVekFileName) + ")");
  int result = 1;
  if (Failing("SaveVekFileEx", pErrorCode, result)) return result;
  std::map<std::string, int> entries;
  for (const auto& e : fs::recursive_directory_iterator(pWorkPathName)) {
    entries[fs::relative(e.path(), pWorkPathName).string()] = 1;
  }
  g_saved.clear();
  for (const auto& [name, one] : entries) g_saved += name + "\n";
  std::ofstream(pVekFileName, std::ios::binary) << "saved\n" << g_saved;
  return 1;
}

// Bound but never called by the extraction library: each records its call and fails.
#define FAKE_UNUSED(name, ...)                    \
  FAKE_EXPORT int name(__VA_ARGS__) {             \
    Record(#name);                                \
    return 0;                                     \
  }
FAKE_UNUSED(GetErrorMessage, const char*, char*, int)
FAKE_UNUSED(ReadFileSignature, const char*, char*, char*, char*)
FAKE_UNUSED(WriteFileHeaderInfo, const char*, const void*, char*)
FAKE_UNUSED(ReadFileHistoryData, const char*, void*, char*)
FAKE_UNUSED(ReadFileHistoryInfo, const char*, void*, int*, char*)
FAKE_UNUSED(DeleteAllHistory, const char*, char*)
FAKE_UNUSED(SettingAgreed, const char*, const char*, char*)
FAKE_UNUSED(ReleaseAgreed, const char*, const char*, int, char*)
FAKE_UNUSED(ReadFileHeaderINI, const char*, void*, void*, char*)
FAKE_UNUSED(ReadFileHistoryINI, const char*, void*, void*, int*, char*)
FAKE_UNUSED(ReadDBInfoINI, const char*, void*, char*)
FAKE_UNUSED(WriteDBInfoINI, const char*, const void*, char*)
FAKE_UNUSED(ReadDB, const char*, int, void*, int*, char*)
FAKE_UNUSED(WriteDB, const char*, int, const void*, int, char*)
FAKE_UNUSED(VaccumDB, const char*, int, char*)
FAKE_UNUSED(CreateMailLinkHeaderFile, const char*, const void*, char*)
FAKE_UNUSED(CreateMailLinkImageFile, const char*, const void*, int, char*)
FAKE_UNUSED(CreateVistrelLinkFile, const char*, const char*, const void*, char*)
FAKE_UNUSED(GetMailLinkHeaderFileName, const char*, char*, int*, char*)
FAKE_UNUSED(GetMailLinkImageFileName, const char*, char*, int*, char*)
FAKE_UNUSED(SaveVekFile, const char*, const char*, int, const void*, const void*, char*)
#ifndef FAKE_WITHOUT_FeedbackMailLinkImageFile
FAKE_UNUSED(FeedbackMailLinkImageFile, const char*, const char*, char*)
#endif
