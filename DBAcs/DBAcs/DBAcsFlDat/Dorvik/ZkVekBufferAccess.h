// The in-memory model of one estimate file: its five sections, the keyless scrambling of the header
// information, the history entries and the start of the archive, and the conversion between the packed
// file form and the aligned caller records (HeaderData, HeaderInfo, HistoryData, HistoryInfo of Dorvik.h).
// It works on byte images only; the callers read and write the files.
#pragma once

#include <cstdint>
#include <vector>

class CZkVekBufferAccess {
 public:
  // Sections, in file order.
  static constexpr int kSectionHeaderData = 0;
  static constexpr int kSectionHeaderInfo = 1;
  static constexpr int kSectionHistoryData = 2;
  static constexpr int kSectionHistoryInfo = 3;
  static constexpr int kSectionEstimateData32 = 4;
  // Packed sizes and file offsets.
  static constexpr int kHeaderDataSize = 16;
  static constexpr int kHeaderInfoSize = 305;
  static constexpr int kHistoryDataSize = 10;
  static constexpr int kHistoryInfoSize = 93;
  static constexpr int kEstimateData32Size = 32;
  static constexpr int kHeaderInfoOffset = 16;
  static constexpr int kHistoryDataOffset = 321;
  static constexpr int kHistoryInfoOffset = 331;
  // Scrambling types.
  static constexpr int kTypeHeaderInfo = 1;
  static constexpr int kTypeHistoryInfo = 2;
  static constexpr int kTypeEstimateData = 3;

  CZkVekBufferAccess();
  ~CZkVekBufferAccess();
  CZkVekBufferAccess(const CZkVekBufferAccess&) = delete;
  CZkVekBufferAccess& operator=(const CZkVekBufferAccess&) = delete;

  // Parses sections nFirstSection..nLastSection from an image that begins with the first of them.
  int SettingBuffer(const void* pBinaryData, int nByteSize, char* pErrorCode, int nFirstSection, int nLastSection);
  // Parses a whole file image, the whole estimate data included.
  int SettingBufferOld(const void* pBinaryData, int nByteSize, char* pErrorCode);

  int ReadHeaderData(void* pDest, char* pErrorCode);
  int ReadHeaderInfo(void* pDest, char* pErrorCode);
  int ReadHistoryData(void* pDest, char* pErrorCode);
  int ReadHistoryInfo(void* pDest, int* pCount, char* pErrorCode);
  int ReadEstimateData32(void* pDest, int* pByteSize, char* pErrorCode);
  int ReadEstimateData(void* pDest, int* pByteSize, char* pErrorCode);

  int ReplaceHeaderData(const void* pSource, char* pErrorCode);
  int ReplaceHeaderInfo(const void* pSource, char* pErrorCode);
  int ReplaceHistoryData(const void* pSource, char* pErrorCode);
  int ReplaceHistoryInfo(const void* pSource, int nCount, char* pErrorCode);
  int ReplaceEstimateData32(const void* pSource, int nByteSize, char* pErrorCode);
  int ReplaceEstimateData(const void* pSource, int nByteSize, char* pErrorCode);

  // Serialises sections 0..nLastSection, scrambling as it goes (size query on *pByteSize).
  int ReadBuffer(void* pBinaryData, int* pByteSize, char* pErrorCode, int nLastSection);
  // Serialises the whole file image, the whole estimate data included.
  int ReadBufferAllOld(void* pBinaryData, int* pByteSize, char* pErrorCode);

  int BinaryEncode(void* pDest, const void* pSource, int nByteSize, int nEncodeType);
  int BinaryDecode(void* pDest, const void* pSource, int nByteSize, int nDecodeType);

  // The invariants checked before anything is written back.
  int CheckBufferInterrelation(char* pErrorCode);

 private:
  bool ParseHistoryInfo(const unsigned char* p, std::int64_t remaining, std::int64_t& used, char* pErrorCode);

  unsigned char m_HeaderData[kHeaderDataSize];
  unsigned char m_HeaderInfo[kHeaderInfoSize];
  unsigned char m_HistoryData[kHistoryDataSize];
  std::vector<unsigned char> m_pHistoryInfo;     // m_nHistoryCount packed entries; empty = none
  std::vector<unsigned char> m_pEstimateData32;  // 32 bytes or empty
  std::vector<unsigned char> m_pEstimateData;    // m_nEstimateDataSize bytes or empty
  int m_nHistoryCount;
  int m_nEstimateDataSize;
};
