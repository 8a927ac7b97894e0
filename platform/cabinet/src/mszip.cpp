#include "mszip.h"

#include <libdeflate.h>

#include "cab_format.h"

namespace cabinet {

namespace {
// Level 6 packs text a little tighter than zlib's default and runs more than twice as fast.
constexpr int kLevel = 6;
}  // namespace

MszipEncoder::MszipEncoder() : compressor_(libdeflate_alloc_compressor(kLevel)) {}

MszipEncoder::~MszipEncoder() {
  if (compressor_) libdeflate_free_compressor(compressor_);
}

std::size_t MszipEncoder::Bound() const { return 2 + libdeflate_deflate_compress_bound(compressor_, kBlockSize); }

std::size_t MszipEncoder::Encode(const unsigned char* in, std::size_t size, unsigned char* out,
                                 std::size_t capacity) {
  if (capacity < 2 || size > kBlockSize) return 0;
  out[0] = 'C';
  out[1] = 'K';
  // Each block is a whole stream, so it never refers back into the previous block; a reader that keeps
  // the previous block's window reads it all the same. An incompressible block comes out as a stored block.
  std::size_t n = libdeflate_deflate_compress(compressor_, in, size, out + 2, capacity - 2);
  return n == 0 ? 0 : n + 2;
}

}  // namespace cabinet
