// The size-query convention of the exports that return text or a list: a null buffer with a size (or count)
// of 0 asks for the size needed (text length + 1) or the count; any other call must pass exactly that.
#pragma once

#include <string>

enum class ZkQuery {
  Answered,  // *pSize now holds the size needed
  GoOn,      // the buffer has exactly the size needed
  Refused,   // E01000001 written
};

// Checks buffer and *pSize against needed.
ZkQuery ZkCheckQuery(const void* buffer, int* pSize, int needed, char* pErrorCode);

// Delivers text by the convention: the buffer is zero-filled over *pByteSize bytes and the text copied in.
int ZkCopyTextOut(const std::string& text, char* buffer, int* pByteSize, char* pErrorCode);

// Ends the operation when the query is answered (1) or refused (0); goes on with an exact size.
#define ZK_SIZE_QUERY(title, buffer, pSize, needed)                  \
  do {                                                               \
    switch (ZkCheckQuery((buffer), (pSize), (needed), pErrorCode)) { \
      case ZkQuery::Answered:                                        \
        ZK_LOG_OK(title);                                            \
        return 1;                                                    \
      case ZkQuery::Refused:                                         \
        ZK_LOG_NG(title);                                            \
        return 0;                                                    \
      case ZkQuery::GoOn:                                            \
        break;                                                       \
    }                                                                \
  } while (0)
