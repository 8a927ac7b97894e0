#include "ImageMemory.h"

#include <new>

namespace quillon {

namespace {

int g_failIn = 0;

}  // namespace

PixelBlock AllocatePixels(std::size_t size) {
  if (g_failIn > 0 && --g_failIn == 0) return nullptr;
  if (size == 0) return nullptr;
  return PixelBlock(new (std::nothrow) std::uint8_t[size]);
}

void FailNthPixelAllocation(int n) { g_failIn = n > 0 ? n : 0; }

}  // namespace quillon
