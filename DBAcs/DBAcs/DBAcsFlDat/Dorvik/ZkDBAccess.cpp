#include "ZkDBAccess.h"

#include <cstring>
#include <utility>

#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkSettings.h"
#include "platform/module.h"

namespace {

constexpr char kIf[] = "DorvikSqlIf.dll";
constexpr char kEm[] = "DorvikSqlEm.dll";
constexpr char kIg[] = "DorvikSqlIg.dll";

struct TableEntry {
  const char* library;
  const char* name;
};

// Indexed by table id; 0 is no table.
constexpr TableEntry kTables[] = {
    {"", ""},
    {kIf, "FileInfo"},          {kIf, "Customer"},         {kIf, "SelfInfo"},
    {kIf, "Insurance"},         {kIf, "Unspecified"},      {kIf, "Car"},
    {kIf, "CarEVA"},            {kIf, "CarSearch"},        {kIf, "CarSearchEVA"},
    {kIf, "Setting"},           {kIf, "ReportTitle"},      {kEm, "DamageBlockPlan"},
    {kEm, "DamageBlock"},       {kEm, "PartsPlan"},        {kEm, "ERParts"},
    {kEm, "RCParts"},           {kEm, "RCLinkParts"},      {kEm, "RWLinkParts"},
    {kEm, "EPCLinkParts"},      {kEm, "ReserveERParts"},   {kEm, "FramePlan"},
    {kEm, "Frame"},             {kEm, "PaintingPlan"},     {kEm, "PaintingPanel"},
    {kEm, "PaintingLinkParts"}, {kEm, "PaintingBumper"},   {kEm, "PaintingFrame"},
    {kEm, "PaintingEtcetera"},  {kEm, "PaintingOther"},    {kEm, "PaintingTotal"},
    {kEm, "Expense"},           {kEm, "Fixer"},            {kEm, "Total"},
    {kEm, "DamageParts"},       {kEm, "DamageImage"},      {kEm, "DamageComment"},
    {kIg, "Image"},             {kIg, "ImageAnnotation"},  {kIf, "Statistics"},
};
constexpr int kTableCount = static_cast<int>(sizeof kTables / sizeof kTables[0]) - 1;
static_assert(kTableCount == 39);

const TableEntry& Table(int id) { return kTables[id >= 1 && id <= kTableCount ? id : 0]; }

// Back-end functions (standard calling convention on the original platform; plain C here).
using InitializeFunction = int (*)(const char* pDBFileName, const char* pLogFilePath, int nLogLevel);
using ReadFunction = int (*)(void* pDest, int* pCount, char* pErrorCode);
using WriteFunction = int (*)(const void* pSource, int nCount, char* pErrorCode);
using VaccumFunction = int (*)(char* pErrorCode);
using FinalizeFunction = void (*)();

constexpr char kInitialize[] = "Initialize";
constexpr char kFinalize[] = "Finalize";

// The code in the caller's buffer as text for a log line.
std::string CodeText(const char* pErrorCode) {
  return pErrorCode ? std::string(pErrorCode, strnlen(pErrorCode, zkerror::kCodeBufferSize - 1)) : std::string();
}

// A loaded library, released when the object goes unless Unload released it first.
class LoadedModule {
 public:
  explicit LoadedModule(platform::ModuleHandle h) : handle_(h) {}
  ~LoadedModule() {
    if (handle_) platform::FreeModule(handle_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  platform::ModuleHandle get() const { return handle_; }
  bool Unload() {
    platform::ModuleHandle h = handle_;
    handle_ = nullptr;
    return platform::FreeModule(h);
  }

 private:
  platform::ModuleHandle handle_;
};

constexpr char kTextUnload[] = "プロセスのアドレス空間マップよりＤＬＬ(%s)を削除";

}  // namespace

const char* ZkDBLibraryName(int nDBId) {
  switch (nDBId) {
    case ZK_DBID_IF:
      return kIf;
    case ZK_DBID_EM:
      return kEm;
    case ZK_DBID_IG:
      return kIg;
    default:
      return "";
  }
}

const char* ZkTableLibraryName(int nTableId) { return Table(nTableId).library; }
const char* ZkTableName(int nTableId) { return Table(nTableId).name; }

int ZkCallBackEnd(const ZkBackEndCall& call, const std::function<int(void* function)>& run, char* pErrorCode) {
  ZK_LOG(2, "ＤＬＬ(%s)を、呼出側プロセスのアドレス空間内にマップ", call.library);
  LoadedModule module(platform::LoadModule(call.library));
  if (!module.get()) {
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryLoad);
    ZK_LOG(0, "[%s]ＤＬＬ(%s)のロードに失敗しました", zkerror::kLibraryLoad, call.library);
    ZK_LOG(3, "%s", platform::ModuleError().c_str());
    return 0;
  }

  ZK_LOG(2, "ＤＬＬ(%s)内のエクスポート関数アドレスを取得", call.library);
  const char* names[3] = {kInitialize, call.function.c_str(), kFinalize};
  void* functions[3] = {};
  for (int i = 0; i < 3; ++i) {
    ZK_LOG(3, "%s関数アドレスを取得", names[i]);
    functions[i] = platform::GetFunction(module.get(), names[i]);
    if (!functions[i]) {
      ZkSetErrorCode(pErrorCode, zkerror::kLibraryFunction);
      ZK_LOG(0, "[%s]ＤＬＬ(%s)の%s関数アドレスが取得できません", zkerror::kLibraryFunction, call.library, names[i]);
      ZK_LOG(2, kTextUnload, call.library);
      module.Unload();
      return 0;
    }
  }
  auto initialize = reinterpret_cast<InitializeFunction>(functions[0]);
  auto finalize = reinterpret_cast<FinalizeFunction>(functions[2]);

  ZK_LOG(2, call.runText, call.library);
  ZK_LOG(3, "%s関数を実行", kInitialize);
  if (initialize(call.dbFileName.c_str(), call.logFilePath.c_str(), call.logLevel) != 1) {
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryInitialize);
    ZK_LOG(0, "[%s]ＤＬＬ(%s)の%s関数処理中にエラーが発生しました", zkerror::kLibraryInitialize, call.library,
           kInitialize);
    ZK_LOG(2, kTextUnload, call.library);
    module.Unload();
    return 0;
  }

  ZK_LOG(3, "%s関数を実行", call.function.c_str());
  int result = run(functions[1]);
  if (result != 1) {
    ZK_LOG(0, "[%s]ＤＬＬ(%s)の%s関数処理中にエラーが発生しました", CodeText(pErrorCode).c_str(), call.library,
           call.function.c_str());
  }
  // Finalised after a failure too, so the back-end leaves no database open behind it.
  ZK_LOG(3, "%s関数を実行", kFinalize);
  finalize();

  ZK_LOG(2, kTextUnload, call.library);
  if (!module.Unload() && result == 1) {
    ZkSetErrorCode(pErrorCode, zkerror::kLibraryUnload);
    ZK_LOG(0, "[%s]ＤＬＬ(%s)のアンロードに失敗しました", zkerror::kLibraryUnload, call.library);
    return 0;
  }
  return result == 1 ? 1 : 0;
}

namespace {

ZkBackEndCall TableCall(const char* library, std::string function, const char* runText, const char* pDBFileName) {
  const ZkSettings& s = ZkGetSettings();
  return ZkBackEndCall{library, std::move(function), runText, ZkText(pDBFileName), s.composedLogFilePath,
                       s.logLevel};
}

}  // namespace

int ZkReadDB(const char* pDBFileName, int nTableId, void* pDest, int* pCount, char* pErrorCode) {
  const TableEntry& t = Table(nTableId);
  ZkBackEndCall call =
      TableCall(t.library, std::string("Read") + t.name, "ＤＬＬ(%s)各関数を実行", pDBFileName);
  return ZkCallBackEnd(
      call, [&](void* f) { return reinterpret_cast<ReadFunction>(f)(pDest, pCount, pErrorCode); }, pErrorCode);
}

int ZkWriteDB(const char* pDBFileName, int nTableId, const void* pSource, int nCount, char* pErrorCode) {
  const TableEntry& t = Table(nTableId);
  ZkBackEndCall call =
      TableCall(t.library, std::string("Write") + t.name, "ＤＬＬ(%s)内関数を実行", pDBFileName);
  return ZkCallBackEnd(
      call, [&](void* f) { return reinterpret_cast<WriteFunction>(f)(pSource, nCount, pErrorCode); }, pErrorCode);
}

int ZkVaccumDB(const char* pDBFileName, int nDBId, char* pErrorCode) {
  ZkBackEndCall call = TableCall(ZkDBLibraryName(nDBId), "Vaccum", "ＤＬＬ(%s)内関数を実行", pDBFileName);
  return ZkCallBackEnd(
      call, [&](void* f) { return reinterpret_cast<VaccumFunction>(f)(pErrorCode); }, pErrorCode);
}
