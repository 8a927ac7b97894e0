#include "mszip.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>

#include "cab_format.h"
#include "compressibility.h"

namespace cabinet {

namespace {
// Level 6 packs text a little tighter than zlib's default and runs more than twice as fast.
constexpr int kLevel = 6;
constexpr std::size_t kStoredHeader = 5;  // final block, type "stored", its length and the length's complement

// The block as one stored deflate block, which every reader takes.
std::size_t EncodeStored(const unsigned char* in, std::size_t size, unsigned char* out, std::size_t capacity) {
  if (capacity < 2 + kStoredHeader + size) return 0;
  out[2] = 0x01;
  Put16(out + 3, static_cast<std::uint16_t>(size));
  Put16(out + 5, static_cast<std::uint16_t>(~size));
  std::memcpy(out + 2 + kStoredHeader, in, size);
  return 2 + kStoredHeader + size;
}
}  // namespace

MszipEncoder::MszipEncoder() : compressor_(libdeflate_alloc_compressor(kLevel)) {}

MszipEncoder::~MszipEncoder() {
  if (compressor_) libdeflate_free_compressor(compressor_);
}

std::size_t MszipEncoder::Bound() const {
  return 2 + std::max(kStoredHeader + kBlockSize, libdeflate_deflate_compress_bound(compressor_, kBlockSize));
}

std::size_t MszipEncoder::Encode(const unsigned char* in, std::size_t size, unsigned char* out,
                                 std::size_t capacity, bool compress) {
  if (capacity < 2 || size > kBlockSize) return 0;
  out[0] = 'C';
  out[1] = 'K';
  // Data that would not shrink is stored without a search for matches.
  if (!compress && IsIncompressible(in, size)) return EncodeStored(in, size, out, capacity);
  // Each block is a whole stream, so it never refers back into the previous block; a reader that keeps
  // the previous block's window reads it all the same. A block that does not shrink comes out stored.
  std::size_t n = libdeflate_deflate_compress(compressor_, in, size, out + 2, capacity - 2);
  return n == 0 ? 0 : n + 2;
}

}  // namespace cabinet
