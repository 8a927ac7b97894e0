// The header summary that ZkGetHeader packs into its caller's buffer: a long form (mode 0, 254 bytes) and a
// short form (mode 1, 147 bytes), packed, little-endian, text fields copied over their full width.
#pragma once

#include <cstddef>

#include "URC_GlobalData.h"

namespace hestrel {

inline constexpr std::size_t kHeaderSummaryLongSize = 254;
inline constexpr std::size_t kHeaderSummaryShortSize = 147;

// Writes exactly kHeaderSummaryLongSize / kHeaderSummaryShortSize bytes at out; reserved bytes are zero.
void PackHeaderSummaryLong(const HeaderData& data, const HeaderInfo& info, unsigned char* out);
void PackHeaderSummaryShort(const HeaderInfo& info, unsigned char* out);

}  // namespace hestrel
