#include "ZkErrorCode.h"

#include <cstring>

void ZkSetErrorCode(char* pErrorCode, const char* code) {
  if (!pErrorCode) return;
  std::memset(pErrorCode, 0, zkerror::kCodeBufferSize);
  std::strncpy(pErrorCode, code, zkerror::kCodeBufferSize - 1);
}

void ZkClearErrorCode(char* pErrorCode) {
  if (pErrorCode) std::memset(pErrorCode, 0, zkerror::kCodeBufferSize);
}
