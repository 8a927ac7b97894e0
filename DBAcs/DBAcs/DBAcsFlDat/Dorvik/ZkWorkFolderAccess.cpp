#include "ZkWorkFolderAccess.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <span>
#include <vector>

#include "Dorvik.h"
#include "ZkErrorCode.h"
#include "ZkLog.h"
#include "ZkLogFrame.h"
#include "ZkUtilities.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/text.h"

namespace {

constexpr char kGeneral[] = "General";
constexpr char kSignatureKey[] = "Signature";
constexpr char kDBInfoSignature[] = "OVDBINFO";
constexpr char kHeaderSignature[] = "HEADERDT";
constexpr char kHistorySignature[] = "HISTRYDT";
constexpr std::size_t kSignatureWidth = 8;
constexpr char kMissingKey[] = "Undefined Error";  // what a missing key reads as, cut to the key's width
constexpr std::size_t kNumberWidth = 511;           // numbers are read into 512 bytes
constexpr std::size_t kNumberBuffer = 512;          // "%f" of the largest double takes 317

constexpr char kDBInfoSection[] = "LatestDatabaseFile";
constexpr char kDBInfoKeys[3][14] = {"InformationDB", "EstimateDB", "ImageDB"};
constexpr std::size_t kDBNameWidth = 14;
constexpr char kHistoryInfoSection[] = "HistoryInfo";  // followed by the entry's number from 1

constexpr char kTextWorkPath[] = "指定された展開フォルダパスが不正です";
constexpr char kTextHeaderMissing[] = "ファイルヘッダ部INIファイルパスが不正です";
constexpr char kTextHeaderFormat[] = "ファイルヘッダ部INIとは異なるファイル形式です";
constexpr char kTextHeaderDelete[] = "ファイルヘッダ部INIファイル削除中にエラーが発生しました";
constexpr char kTextHistoryMissing[] = "履歴部INIファイルパスが不正です";
constexpr char kTextHistoryFormat[] = "履歴部INIとは異なるファイル形式です";
constexpr char kTextHistoryDelete[] = "履歴部INIファイル削除中にエラーが発生しました";
constexpr char kTextDBInfoFormat[] = "見積管理ファイルINIとは異なるファイル形式です";
constexpr char kTextDBInfoDelete[] = "見積管理ファイルINI削除中にエラーが発生しました";
constexpr char kTextCountMismatch[] = "指定されたバッファサイズと取得バッファサイズが一致しません";
constexpr char kTextBadValue[] = "INIファイルに書けない値です（日付の桁あふれ）";
constexpr char kTextNoRecord[] = "書き込むレコードが指定されていません";

// AgreedPassword substitution: kPlain[i] is written as kCipher[i]. A permutation, so reading undoes writing.
constexpr char kPlain[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kCipher[] = "oeL82UjXJAI6ZiwWCgQV5buvydYH7SN4cBEDsK1P0tnlzTxhOGRakfMrmpF93q";
static_assert(sizeof(kPlain) == 63 && sizeof(kCipher) == 63, "62 pairs");

// Each single-byte character found in from becomes the one at the same place in to; double-byte characters
// and bytes outside the table stay.
std::string Substitute(std::string text, const char* from, const char* to) {
  for (std::size_t i = 0; i < text.size(); i = platform::NextChar(text, i)) {
    if (platform::CharLength(text, i) != 1 || text[i] == '\0') continue;
    if (const char* hit = std::strchr(from, text[i])) text[i] = to[hit - from];
  }
  return text;
}

enum class Kind { Text, Password, Int16, Int32, Double, Date, DateTime };

struct Field {
  const char* key;
  Kind kind;
  std::size_t offset;
  std::size_t width;  // bytes of a text field
};

// Keys bear the names of the record's members.
#define ZK_FIELD(record, member, kind) {#member, Kind::kind, offsetof(record, member), sizeof(record::member)}

constexpr Field kHeaderDataFields[] = {
    ZK_FIELD(HeaderData, Signature, Text),
    ZK_FIELD(HeaderData, Version, Text),
    ZK_FIELD(HeaderData, HeaderInfoLength, Int32),
    ZK_FIELD(HeaderData, HistoryDataLength, Int32),
};

constexpr Field kHeaderInfoFields[] = {
    ZK_FIELD(HeaderInfo, AcceptNo, Text),
    ZK_FIELD(HeaderInfo, GroupKey, Text),
    ZK_FIELD(HeaderInfo, SelfName, Text),
    ZK_FIELD(HeaderInfo, CustomerName, Text),
    ZK_FIELD(HeaderInfo, CarName, Text),
    ZK_FIELD(HeaderInfo, GarageInDate, Date),
    ZK_FIELD(HeaderInfo, GarageOutDate, Date),
    ZK_FIELD(HeaderInfo, Progress, Int16),
    ZK_FIELD(HeaderInfo, ImageCount, Int16),
    ZK_FIELD(HeaderInfo, CreatedDate, Date),
    ZK_FIELD(HeaderInfo, PartsPriceTotal, Double),
    ZK_FIELD(HeaderInfo, WageTotal, Double),
    ZK_FIELD(HeaderInfo, PaintTotal, Double),
    ZK_FIELD(HeaderInfo, CostTotal, Double),
    ZK_FIELD(HeaderInfo, Total, Double),
    ZK_FIELD(HeaderInfo, RCParts, Int16),
    ZK_FIELD(HeaderInfo, TaxKind, Int16),
    ZK_FIELD(HeaderInfo, History, Int16),
    ZK_FIELD(HeaderInfo, Agreed, Int16),
    ZK_FIELD(HeaderInfo, AgreedPassword, Password),
    ZK_FIELD(HeaderInfo, CarNoDepartment, Text),
    ZK_FIELD(HeaderInfo, CarNoDivision, Text),
    ZK_FIELD(HeaderInfo, CarNoBusiness, Text),
    ZK_FIELD(HeaderInfo, CarNoSerial, Text),
    ZK_FIELD(HeaderInfo, ai21_OrderNo, Text),
    ZK_FIELD(HeaderInfo, ai21_AdoptedDate, Date),
};

constexpr Field kHistoryDataFields[] = {
    ZK_FIELD(HistoryData, HistoryDataVersion, Text),
    ZK_FIELD(HistoryData, HistoryInfoLength, Int32),
    ZK_FIELD(HistoryData, HistoryInfoCount, Int16),
};

constexpr Field kHistoryInfoFields[] = {
    ZK_FIELD(HistoryInfo, RenewalDate, DateTime),
    ZK_FIELD(HistoryInfo, LicenceID, Text),
    ZK_FIELD(HistoryInfo, Total, Double),
    ZK_FIELD(HistoryInfo, PartsPriceTotal, Double),
    ZK_FIELD(HistoryInfo, WageTotal, Double),
    ZK_FIELD(HistoryInfo, PaintTotal, Double),
    ZK_FIELD(HistoryInfo, FrameTotal, Double),
    ZK_FIELD(HistoryInfo, CostTotal, Double),
    ZK_FIELD(HistoryInfo, Name, Text),
};

#undef ZK_FIELD

// ---- Values ----

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }

// A line end would split the value into lines of their own: it is written as a blank, as the hand-over files
// write it (CR and LF are single bytes, never trail bytes).
std::string WithoutLineEnds(std::string text) {
  std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

// The profile reader trims a value and takes off one pair of enclosing quotes: a value that begins or ends
// with a blank or a quote is written in quotes so that it reads back as it was.
std::string Protect(const std::string& value) {
  if (value.empty()) return value;
  char first = value.front(), last = value.back();
  if (IsBlankByte(first) || IsBlankByte(last) || IsQuote(first) || IsQuote(last)) return "\"" + value + "\"";
  return value;
}

// atoi / atol of the C runtime: leading blanks, a sign and digits; 0 for no number; held to 32 bits.
std::int32_t ToInt32(const std::string& text) {
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}

// Characters [from, from + length) of a date value; what lies past its end reads as nothing.
std::int32_t DatePart(const std::string& text, std::size_t from, std::size_t length) {
  return from < text.size() ? ToInt32(text.substr(from, length)) : 0;
}

template <class T>
T Load(const unsigned char* record, std::size_t offset) {
  T v;
  std::memcpy(&v, record + offset, sizeof v);
  return v;
}

template <class T>
void Store(unsigned char* record, std::size_t offset, T v) {
  std::memcpy(record + offset, &v, sizeof v);
}

bool DatePartsFit(int year, std::initializer_list<int> parts) {
  if (year < 0 || year > 9999) return false;
  for (int p : parts) {
    if (p > 99) return false;
  }
  return true;
}

// The text of one field; false when a date does not fit its format's places.
bool Encode(const Field& f, const unsigned char* record, std::string& out) {
  char buf[kNumberBuffer];
  const char* text = reinterpret_cast<const char*>(record + f.offset);
  switch (f.kind) {
    case Kind::Text:
      out = Protect(WithoutLineEnds(std::string(text, strnlen(text, f.width))));
      return true;
    case Kind::Password: {
      std::string field = Substitute(std::string(text, f.width), kPlain, kCipher);
      out = Protect(WithoutLineEnds(std::string(field.c_str(), strnlen(field.c_str(), f.width))));
      return true;
    }
    case Kind::Int16:
      std::snprintf(buf, sizeof buf, "%d", Load<std::int16_t>(record, f.offset));
      break;
    case Kind::Int32:
      std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(Load<std::int32_t>(record, f.offset)));
      break;
    case Kind::Double:
      std::snprintf(buf, sizeof buf, "%f", Load<double>(record, f.offset));
      break;
    case Kind::Date: {
      VekDate d = Load<VekDate>(record, f.offset);
      if (!DatePartsFit(d.Year, {d.Month, d.Day})) return false;
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.Year, d.Month, d.Day);
      break;
    }
    case Kind::DateTime: {
      VekDateTime d = Load<VekDateTime>(record, f.offset);
      if (!DatePartsFit(d.Year, {d.Month, d.Day, d.Hour, d.Minute, d.Second})) return false;
      std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", d.Year, d.Month, d.Day, d.Hour, d.Minute,
                    d.Second);
      break;
    }
  }
  out = buf;
  return true;
}

// Bytes of a value that the reader takes for a field.
std::size_t ReadWidth(const Field& f) {
  switch (f.kind) {
    case Kind::Text:
    case Kind::Password:
      return f.width;
    case Kind::Date:
      return 8;
    case Kind::DateTime:
      return 14;
    default:
      return kNumberWidth;
  }
}

// Fills one field of a zeroed record from its value.
void Decode(const Field& f, const std::string& value, unsigned char* record) {
  switch (f.kind) {
    case Kind::Text:
      std::memcpy(record + f.offset, value.data(), value.size());
      break;
    case Kind::Password: {
      std::string plain = Substitute(value, kCipher, kPlain);
      std::memcpy(record + f.offset, plain.data(), plain.size());
      break;
    }
    case Kind::Int16:
      Store(record, f.offset, static_cast<std::int16_t>(ToInt32(value)));
      break;
    case Kind::Int32:
      Store(record, f.offset, ToInt32(value));
      break;
    case Kind::Double:
      Store(record, f.offset, std::strtod(value.c_str(), nullptr));
      break;
    case Kind::Date: {
      VekDate d{};
      d.Year = static_cast<std::int16_t>(DatePart(value, 0, 4));
      d.Month = static_cast<std::uint8_t>(DatePart(value, 4, 2));
      d.Day = static_cast<std::uint8_t>(DatePart(value, 6, 2));
      Store(record, f.offset, d);
      break;
    }
    case Kind::DateTime: {
      // The record's padding byte after the seconds is zero too: {} need not clear padding.
      VekDateTime d;
      std::memset(&d, 0, sizeof d);
      d.Year = static_cast<std::int16_t>(DatePart(value, 0, 4));
      d.Month = static_cast<std::uint8_t>(DatePart(value, 4, 2));
      d.Day = static_cast<std::uint8_t>(DatePart(value, 6, 2));
      d.Hour = static_cast<std::uint8_t>(DatePart(value, 8, 2));
      d.Minute = static_cast<std::uint8_t>(DatePart(value, 10, 2));
      d.Second = static_cast<std::uint8_t>(DatePart(value, 12, 2));
      Store(record, f.offset, d);
      break;
    }
  }
}

// ---- Files ----

// GetPrivateProfileString into a buffer of width + 1 bytes with the library's default text.
std::string GetValue(const platform::IniDocument& doc, std::string_view section, std::string_view key,
                     std::size_t width) {
  const platform::IniEntry* e = doc.FindEntry(section, key);
  std::string_view v = e ? std::string_view(e->value) : std::string_view(kMissingKey);
  return std::string(v.substr(0, platform::CutLength(v, width)));
}

void ReadFields(const platform::IniDocument& doc, const std::string& section, std::span<const Field> fields,
                unsigned char* record) {
  for (const Field& f : fields) {
    std::string value = GetValue(doc, section, f.key, ReadWidth(f));
    if (f.kind != Kind::Password) ZK_LOG(3, "[%s]%s=%s", section.c_str(), f.key, value.c_str());
    Decode(f, value, record);
  }
}

bool WriteFields(platform::IniDocument& doc, const std::string& section, std::span<const Field> fields,
                 const unsigned char* record) {
  for (const Field& f : fields) {
    std::string value;
    if (!Encode(f, record, value)) {
      ZK_LOG(0, "%s([%s]%s)", kTextBadValue, section.c_str(), f.key);
      return false;
    }
    doc.Set(section, f.key, value);
  }
  return true;
}

enum class IniState { Loaded, Missing, OtherFormat };

// Reads a whole INI file and checks its signature (8 characters and the terminator).
IniState LoadIni(const std::string& path, const char* signature, platform::IniDocument& doc) {
  if (!CZkUtilities::IsExistFile(path)) return IniState::Missing;
  // A file that cannot be read reads as empty, as the profile functions take it.
  if (!platform::IniReadFile(path, doc)) doc = platform::IniDocument{};
  std::string found = GetValue(doc, kGeneral, kSignatureKey, kSignatureWidth);
  ZK_LOG(3, "Signature=%s", found.c_str());
  return found == signature ? IniState::Loaded : IniState::OtherFormat;
}

platform::IniDocument NewIni(const char* signature) {
  platform::IniDocument doc;
  doc.Set(kGeneral, kSignatureKey, signature);
  return doc;
}

// Puts the whole new file in place of the old one at once, so the folder never lacks it; false when the old
// file cannot be made writable or the new one cannot be written.
bool ReplaceIni(const std::string& path, const platform::IniDocument& doc) {
  if (!CZkUtilities::MakeReplaceable(path)) return false;
  return platform::IniWriteFile(path, doc);
}

const unsigned char* Bytes(const void* p) { return static_cast<const unsigned char*>(p); }

}  // namespace

CZkWorkFolderAccess::CZkWorkFolderAccess(const char* pWorkPathName)
    : m_strWorkPathName(CZkUtilities::NormalizePath(ZkText(pWorkPathName))),
      m_bExist(CZkUtilities::IsExistFile(m_strWorkPathName) == 1) {}

CZkWorkFolderAccess::~CZkWorkFolderAccess() = default;

std::string CZkWorkFolderAccess::IniPath(const char* name) const {
  return CZkUtilities::JoinPath(m_strWorkPathName, name);
}

int CZkWorkFolderAccess::ReadDatabaseNames(std::string names[3], char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積管理INI読み込み", "pWorkPathName->%s, pErrorCode->Address:%p",
                               m_strWorkPathName.c_str(), static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  platform::IniDocument doc;
  switch (LoadIni(IniPath(kDBInfoIniName), kDBInfoSignature, doc)) {
    case IniState::Missing:
      ZK_LOG(2, "見積管理ファイルINIが存在しないため既定のファイル名を使用します");
      names[0] = kDefaultInformationDB;
      names[1] = kDefaultEstimateDB;
      names[2] = kDefaultImageDB;
      return frame.Ok();
    case IniState::OtherFormat:
      return frame.Fail(pErrorCode, zkerror::kDBInfoIniFormat, kTextDBInfoFormat);
    case IniState::Loaded:
      break;
  }
  for (int i = 0; i < 3; ++i) {
    names[i] = GetValue(doc, kDBInfoSection, kDBInfoKeys[i], kDBNameWidth);
    ZK_LOG(3, "%s=%s", kDBInfoKeys[i], names[i].c_str());
  }
  return frame.Ok();
}

int CZkWorkFolderAccess::ReadDBInfoINI(void* pDest, char* pErrorCode) {
  std::string names[3];
  if (!ReadDatabaseNames(names, pErrorCode)) return 0;
  if (pDest) {
    LatestDatabaseFile out{};
    std::memcpy(out.InformationDB, names[0].data(), names[0].size());
    std::memcpy(out.EstimateDB, names[1].data(), names[1].size());
    std::memcpy(out.ImageDB, names[2].data(), names[2].size());
    std::memcpy(pDest, &out, sizeof out);
  }
  return 1;
}

int CZkWorkFolderAccess::ReadDBInfoINI(ZkDatabaseFileNames* pDest, char* pErrorCode) {
  std::string names[3];
  if (!ReadDatabaseNames(names, pErrorCode)) return 0;
  if (pDest) {
    *pDest = ZkDatabaseFileNames{};
    std::memcpy(pDest->InformationDB, names[0].data(), names[0].size());
    std::memcpy(pDest->EstimateDB, names[1].data(), names[1].size());
    std::memcpy(pDest->ImageDB, names[2].data(), names[2].size());
  }
  return 1;
}

int CZkWorkFolderAccess::WriteDBInfoINI(const void* pSource, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("見積管理INI書き込み", "pSource->Address:%p, pErrorCode->Address:%p", pSource,
                               static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  if (!pSource) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextNoRecord);
  const auto* source = static_cast<const LatestDatabaseFile*>(pSource);
  const char* fields[3] = {source->InformationDB, source->EstimateDB, source->ImageDB};
  platform::IniDocument doc = NewIni(kDBInfoSignature);
  for (int i = 0; i < 3; ++i) {
    doc.Set(kDBInfoSection, kDBInfoKeys[i],
            Protect(WithoutLineEnds(std::string(fields[i], strnlen(fields[i], kDBNameWidth)))));
  }
  ZK_LOG(2, "見積管理ファイルINIの書き込み");
  if (!ReplaceIni(IniPath(kDBInfoIniName), doc)) {
    return frame.Fail(pErrorCode, zkerror::kDBInfoIniDelete, kTextDBInfoDelete);
  }
  return frame.Ok();
}

int CZkWorkFolderAccess::ReadFileHeaderINI(void* pFileHeaderData, void* pFileHeaderInfo, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ファイルヘッダ部INI読み込み",
                               "pFileHeaderData->Address:%p, pFileHeaderInfo->Address:%p, pErrorCode->Address:%p",
                               pFileHeaderData, pFileHeaderInfo, static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  platform::IniDocument doc;
  switch (LoadIni(IniPath(kHeaderIniName), kHeaderSignature, doc)) {
    case IniState::Missing:
      // Only missing: callers take this as "nothing to read".
      ZK_LOG(2, "%s", kTextHeaderMissing);
      ZkSetErrorCode(pErrorCode, zkerror::kHeaderIniMissing);
      return frame.End(0);
    case IniState::OtherFormat:
      return frame.Fail(pErrorCode, zkerror::kHeaderIniFormat, kTextHeaderFormat);
    case IniState::Loaded:
      break;
  }
  unsigned char data[sizeof(HeaderData)] = {};
  unsigned char info[sizeof(HeaderInfo)] = {};
  ReadFields(doc, "HeaderData", kHeaderDataFields, data);
  ReadFields(doc, "HeaderInfo", kHeaderInfoFields, info);
  if (pFileHeaderData) std::memcpy(pFileHeaderData, data, sizeof data);
  if (pFileHeaderInfo) std::memcpy(pFileHeaderInfo, info, sizeof info);
  return frame.Ok();
}

int CZkWorkFolderAccess::WriteFileHeaderINI(const void* pFileHeaderData, const void* pFileHeaderInfo,
                                            char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("ファイルヘッダ部INI書き込み",
                               "pFileHeaderData->Address:%p, pFileHeaderInfo->Address:%p, pErrorCode->Address:%p",
                               pFileHeaderData, pFileHeaderInfo, static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  if (!pFileHeaderData || !pFileHeaderInfo) return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextNoRecord);
  platform::IniDocument doc = NewIni(kHeaderSignature);
  if (!WriteFields(doc, "HeaderData", kHeaderDataFields, Bytes(pFileHeaderData)) ||
      !WriteFields(doc, "HeaderInfo", kHeaderInfoFields, Bytes(pFileHeaderInfo))) {
    return frame.Fail(pErrorCode, zkerror::kHeaderIniDelete, kTextHeaderDelete);
  }
  ZK_LOG(2, "ファイルヘッダ部INIの書き込み");
  if (!ReplaceIni(IniPath(kHeaderIniName), doc)) {
    return frame.Fail(pErrorCode, zkerror::kHeaderIniDelete, kTextHeaderDelete);
  }
  return frame.Ok();
}

int CZkWorkFolderAccess::ReadFileHistoryINI(void* pFileHistoryData, void* pFileHistoryInfo, int* pHistoryCount,
                                            char* pErrorCode) {
  CZkLogFrame frame =
      ZK_FRAME("履歴部INI読み込み",
               "pFileHistoryData->Address:%p, pFileHistoryInfo->Address:%p, *pHistoryCount->%d, "
               "pErrorCode->Address:%p",
               pFileHistoryData, pFileHistoryInfo, pHistoryCount ? *pHistoryCount : 0, static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  platform::IniDocument doc;
  switch (LoadIni(IniPath(kHistoryIniName), kHistorySignature, doc)) {
    case IniState::Missing:
      return frame.Fail(pErrorCode, zkerror::kHistoryIniMissing, kTextHistoryMissing);
    case IniState::OtherFormat:
      return frame.Fail(pErrorCode, zkerror::kHistoryIniFormat, kTextHistoryFormat);
    case IniState::Loaded:
      break;
  }
  unsigned char data[sizeof(HistoryData)] = {};
  ReadFields(doc, "HistoryData", kHistoryDataFields, data);
  int count = Load<std::int16_t>(data, offsetof(HistoryData, HistoryInfoCount));
  // A negative count is a damaged file, never a size.
  if (count < 0) return frame.Fail(pErrorCode, zkerror::kHistoryIniFormat, kTextHistoryFormat);
  if (pFileHistoryData) std::memcpy(pFileHistoryData, data, sizeof data);
  if (!pFileHistoryInfo && pHistoryCount && *pHistoryCount == 0) {
    *pHistoryCount = count;
    ZK_LOG(3, "履歴件数=%d", count);
    return frame.Ok();
  }
  if (!pHistoryCount || *pHistoryCount != count || (!pFileHistoryInfo && count > 0)) {
    return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextCountMismatch);
  }
  std::vector<unsigned char> entries(sizeof(HistoryInfo) * static_cast<std::size_t>(count), 0);
  for (int i = 0; i < count; ++i) {
    ReadFields(doc, kHistoryInfoSection + std::to_string(i + 1), kHistoryInfoFields,
               entries.data() + sizeof(HistoryInfo) * static_cast<std::size_t>(i));
  }
  if (count > 0) std::memcpy(pFileHistoryInfo, entries.data(), entries.size());
  return frame.Ok();
}

int CZkWorkFolderAccess::WriteFileHistoryINI(const void* pFileHistoryData, const void* pFileHistoryInfo,
                                             int nHistoryCount, char* pErrorCode) {
  CZkLogFrame frame = ZK_FRAME("履歴部INI書き込み",
                               "pFileHistoryData->Address:%p, pFileHistoryInfo->Address:%p, nHistoryCount->%d, "
                               "pErrorCode->Address:%p",
                               pFileHistoryData, pFileHistoryInfo, nHistoryCount, static_cast<void*>(pErrorCode));
  if (!m_bExist) return frame.Fail(pErrorCode, zkerror::kWorkPath, kTextWorkPath);
  if (!pFileHistoryData || nHistoryCount < 0 || (nHistoryCount > 0 && !pFileHistoryInfo)) {
    return frame.Fail(pErrorCode, zkerror::kBufferSizeMismatch, kTextNoRecord);
  }
  platform::IniDocument doc = NewIni(kHistorySignature);
  bool ok = WriteFields(doc, "HistoryData", kHistoryDataFields, Bytes(pFileHistoryData));
  for (int i = 0; ok && i < nHistoryCount; ++i) {
    ok = WriteFields(doc, kHistoryInfoSection + std::to_string(i + 1), kHistoryInfoFields,
                     Bytes(pFileHistoryInfo) + sizeof(HistoryInfo) * static_cast<std::size_t>(i));
  }
  if (!ok) return frame.Fail(pErrorCode, zkerror::kHistoryIniDelete, kTextHistoryDelete);
  ZK_LOG(2, "履歴部INIの書き込み");
  if (!ReplaceIni(IniPath(kHistoryIniName), doc)) {
    return frame.Fail(pErrorCode, zkerror::kHistoryIniDelete, kTextHistoryDelete);
  }
  return frame.Ok();
}
