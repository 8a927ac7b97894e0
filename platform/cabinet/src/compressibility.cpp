#include "compressibility.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace cabinet {

namespace {

constexpr std::size_t kSmallest = 4096;  // smaller blocks always go to the compressor
// The histogram counts chunks of kChunk bytes spread over the block, about kSample bytes in all (the whole of a
// small block): enough to tell compressed data from anything else.
constexpr std::size_t kChunk = 64;
constexpr std::size_t kSample = 4096;
constexpr std::size_t kLargestSample = 2 * kSample;
// Stored when coding the bytes one by one would keep more than this share of them, and matches would take
// less than kMatchShare: deflate's tables alone cost some tenths of a percent of a block.
constexpr double kStoreAbove = 0.99;
constexpr double kMatchShare = 0.01;
constexpr std::size_t kMinMatch = 8;
constexpr int kHashBits = 10;

// c * log2(c) for every count a sample can hold, worked out once.
const float* CountTimesLog() {
  static const std::vector<float> table = [] {
    std::vector<float> t(kLargestSample + 1, 0.0f);
    for (std::size_t c = 1; c < t.size(); ++c) t[c] = static_cast<float>(c * std::log2(static_cast<double>(c)));
    return t;
  }();
  return table.data();
}

// The share of the bytes that an ideal coding of single bytes keeps, from a sample of the block, corrected for
// the sample's size (a small sample looks more uneven than the data it is taken from).
double ByteEntropyShare(const unsigned char* data, std::size_t size) {
  std::uint32_t counts[4][256] = {};
  std::size_t sampled = 0;
  const std::size_t stride = std::max<std::size_t>(1, size / kSample);
  for (std::size_t at = 0; at + kChunk <= size; at += kChunk * stride) {
    const unsigned char* p = data + at;
    for (std::size_t i = 0; i < kChunk; i += 4) {
      ++counts[0][p[i]];
      ++counts[1][p[i + 1]];
      ++counts[2][p[i + 2]];
      ++counts[3][p[i + 3]];
    }
    sampled += kChunk;
  }
  // The bits of an ideal coding: the sum of c * log2(n / c), that is n * log2(n) - the sum of c * log2(c).
  const float* cLogC = CountTimesLog();
  const double n = static_cast<double>(sampled);
  double sum = 0;
  int used = 0;
  for (int v = 0; v < 256; ++v) {
    const std::uint32_t c = counts[0][v] + counts[1][v] + counts[2][v] + counts[3][v];
    used += c != 0;
    sum += cLogC[c];
  }
  const double bits = n * std::log2(n) - sum + (used - 1) / (2 * std::log(2.0));
  return bits / (8 * n);
}

std::uint32_t HashOf(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return static_cast<std::uint32_t>((v * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
}

// Bytes of the block that repeat an earlier stretch of at least kMinMatch bytes, as far as a quick search
// finds them: where nothing repeats, it steps ahead faster and faster, as fast compressors do.
std::size_t RepeatedBytes(const unsigned char* data, std::size_t size) {
  std::uint16_t last[1 << kHashBits];
  std::memset(last, 0xFF, sizeof last);
  std::size_t repeated = 0;
  unsigned misses = 0;
  for (std::size_t i = 0; i + kMinMatch <= size;) {
    const std::uint32_t h = HashOf(data + i);
    const std::uint16_t candidate = last[h];
    last[h] = static_cast<std::uint16_t>(i);
    if (candidate != 0xFFFF && std::memcmp(data + candidate, data + i, kMinMatch) == 0) {
      std::size_t length = kMinMatch;
      while (i + length < size && data[candidate + length] == data[i + length]) ++length;
      repeated += length;
      i += length;
      misses = 0;
      continue;
    }
    ++misses;
    i += 1 + (misses >> 4);
  }
  return repeated;
}

}  // namespace

bool IsIncompressible(const unsigned char* data, std::size_t size) {
  // The positions of the search table are 16 bits wide.
  if (size < kSmallest || size > 0xFFFF) return false;
  if (ByteEntropyShare(data, size) < kStoreAbove) return false;
  return static_cast<double>(RepeatedBytes(data, size)) < kMatchShare * static_cast<double>(size);
}

}  // namespace cabinet
