// Steps shared by the operations on estimate files and work folders.
#pragma once

#include <new>
#include <vector>

#include "ZkErrorCode.h"
#include "ZkLog.h"

// read(nullptr, &size) asks for the size, read(buffer, &size) fills a buffer of it (the size-query convention
// of the estimate-file model). A buffer that cannot be had fails with E01000003.
template <class Read>
bool ZkReadSized(std::vector<unsigned char>& out, char* pErrorCode, Read&& read) {
  int size = 0;
  if (!read(nullptr, &size)) return false;
  try {
    out.assign(static_cast<std::size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    ZK_LOG(0, "pBinaryDataのcallocに失敗しました");
    ZkSetErrorCode(pErrorCode, zkerror::kNoMemory);
    return false;
  }
  return read(out.data(), &size) == 1;
}
