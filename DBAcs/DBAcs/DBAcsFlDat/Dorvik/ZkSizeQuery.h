// The size-query convention of the exports that return text or a list: a null buffer with a size (or count)
// of 0 asks for the size needed (text length + 1) or the count; any other call must pass exactly that.
#pragma once

#include <string>

#include "ZkLogFrame.h"

enum class ZkQuery {
  Answered,  // *pSize now holds the size needed
  GoOn,      // the buffer has exactly the size needed
  Refused,   // E01000001 written
};

// Checks buffer and *pSize against needed.
ZkQuery ZkCheckQuery(const void* buffer, int* pSize, int needed, char* pErrorCode);

// Delivers text by the convention: the buffer is zero-filled over *pByteSize bytes and the text copied in.
int ZkCopyTextOut(const std::string& text, char* buffer, int* pByteSize, char* pErrorCode);

// The end of an operation at a query that is answered (1, a normal end) or refused (0, an abnormal end), logged
// by frame as at where. Not for GoOn.
int ZkEndQuery(const CZkLogFrame& frame, ZkQuery query,
               const ZkSourcePlace& where = ZkSourcePlace::current());
