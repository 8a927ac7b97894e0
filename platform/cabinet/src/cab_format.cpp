#include "cab_format.h"

#include <bit>
#include <cstring>

namespace cabinet {

static_assert(std::endian::native == std::endian::little, "the wide checksum reads little-endian words");

std::uint32_t Checksum(const unsigned char* data, std::size_t size, std::uint32_t seed) {
  // The XOR of the little-endian 32-bit words, taken eight bytes at a time and folded.
  std::uint64_t wide[4] = {0, 0, 0, 0};
  std::size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    for (int k = 0; k < 4; ++k) {
      std::uint64_t v;
      std::memcpy(&v, data + i + 8 * k, 8);
      wide[k] ^= v;
    }
  }
  std::uint64_t all = wide[0] ^ wide[1] ^ wide[2] ^ wide[3];
  std::uint32_t sum = seed ^ static_cast<std::uint32_t>(all) ^ static_cast<std::uint32_t>(all >> 32);
  for (; i + 4 <= size; i += 4) sum ^= Get32(data + i);
  data += i;
  std::uint32_t tail = 0;
  switch (size % 4) {
    case 3:
      tail |= static_cast<std::uint32_t>(*data++) << 16;
      [[fallthrough]];
    case 2:
      tail |= static_cast<std::uint32_t>(*data++) << 8;
      [[fallthrough]];
    case 1:
      tail |= *data;
      break;
    default:
      break;
  }
  return sum ^ tail;
}

void PutDataHeader(unsigned char* header, const unsigned char* data, std::uint16_t compressed,
                   std::uint16_t uncompressed) {
  Put16(header + 4, compressed);
  Put16(header + 6, uncompressed);
  std::uint32_t sum = Checksum(header + 4, 4, Checksum(data, compressed, 0));
  Put32(header, sum);
}

namespace {

bool Linked(const Header& h, std::uint16_t flag) { return (h.flags & flag) != 0; }

unsigned char* PutText(unsigned char* p, const std::string& s) {
  std::memcpy(p, s.c_str(), s.size() + 1);
  return p + s.size() + 1;
}

}  // namespace

std::size_t HeaderBytes(const Header& h) {
  std::size_t n = kHeaderSize;
  if (Linked(h, kFlagPrevCabinet)) n += h.prevCabinet.size() + 1 + h.prevDisk.size() + 1;
  if (Linked(h, kFlagNextCabinet)) n += h.nextCabinet.size() + 1 + h.nextDisk.size() + 1;
  return n;
}

void PutHeader(const Header& h, unsigned char* out) {
  std::memset(out, 0, kHeaderSize);
  std::memcpy(out, "MSCF", 4);
  Put32(out + 8, h.cabinetSize);
  Put32(out + 16, h.filesOffset);
  out[24] = 3;  // format version 1.3
  out[25] = 1;
  Put16(out + 26, h.folderCount);
  Put16(out + 28, h.fileCount);
  Put16(out + 30, h.flags);
  Put16(out + 32, h.setId);
  Put16(out + 34, h.cabinetIndex);
  unsigned char* p = out + kHeaderSize;
  if (Linked(h, kFlagPrevCabinet)) p = PutText(PutText(p, h.prevCabinet), h.prevDisk);
  if (Linked(h, kFlagNextCabinet)) PutText(PutText(p, h.nextCabinet), h.nextDisk);
}

bool ParseFixedHeader(const unsigned char* in, Header& h) {
  if (std::memcmp(in, "MSCF", 4) != 0) return false;
  if (in[25] != 1) return false;  // major version
  h.cabinetSize = Get32(in + 8);
  h.filesOffset = Get32(in + 16);
  h.folderCount = Get16(in + 26);
  h.fileCount = Get16(in + 28);
  h.flags = Get16(in + 30);
  h.setId = Get16(in + 32);
  h.cabinetIndex = Get16(in + 34);
  return h.cabinetSize >= kHeaderSize;
}

namespace {

// A NUL-terminated text of at most 255 bytes at in[at]; advances at past its NUL.
bool TakeText(const unsigned char* in, std::size_t size, std::size_t& at, std::string& out) {
  std::size_t end = at;
  while (end < size && end - at < 256 && in[end] != 0) ++end;
  if (end >= size || in[end] != 0) return false;
  out.assign(reinterpret_cast<const char*>(in + at), end - at);
  at = end + 1;
  return true;
}

}  // namespace

bool ParseHeader(const unsigned char* in, std::size_t size, Header& h) {
  if (size < kHeaderSize || !ParseFixedHeader(in, h)) return false;
  std::size_t at = kHeaderSize;
  if (Linked(h, kFlagReservePresent)) {
    if (size < at + 4) return false;
    h.headerReserve = Get16(in + at);
    h.folderReserve = in[at + 2];
    h.dataReserve = in[at + 3];
    at += 4 + h.headerReserve;
  }
  if (Linked(h, kFlagPrevCabinet) &&
      !(TakeText(in, size, at, h.prevCabinet) && TakeText(in, size, at, h.prevDisk))) {
    return false;
  }
  if (Linked(h, kFlagNextCabinet) &&
      !(TakeText(in, size, at, h.nextCabinet) && TakeText(in, size, at, h.nextDisk))) {
    return false;
  }
  return true;
}

}  // namespace cabinet
