#include "ZkSizeQuery.h"

#include <cstring>

#include "ZkErrorCode.h"
#include "ZkLog.h"

ZkQuery ZkCheckQuery(const void* buffer, int* pSize, int needed, char* pErrorCode) {
  if (pSize && !buffer && *pSize == 0) {
    *pSize = needed;
    return ZkQuery::Answered;
  }
  if (!pSize || !buffer || *pSize != needed) {
    ZK_LOG(0, "指定されたバッファサイズと取得バッファサイズが一致しません");
    ZkSetErrorCode(pErrorCode, zkerror::kBufferSizeMismatch);
    return ZkQuery::Refused;
  }
  return ZkQuery::GoOn;
}

int ZkCopyTextOut(const std::string& text, char* buffer, int* pByteSize, char* pErrorCode) {
  switch (ZkCheckQuery(buffer, pByteSize, static_cast<int>(text.size()) + 1, pErrorCode)) {
    case ZkQuery::Answered:
      return 1;
    case ZkQuery::Refused:
      return 0;
    case ZkQuery::GoOn:
      break;
  }
  std::memset(buffer, 0, static_cast<std::size_t>(*pByteSize));
  std::memcpy(buffer, text.data(), text.size());
  return 1;
}

int ZkEndQuery(const CZkLogFrame& frame, ZkQuery query, const ZkSourcePlace& where) {
  return query == ZkQuery::Answered ? frame.Ok(where) : frame.Fail(where);
}
