// Pixel blocks of the image code: an allocation that reports failure instead of throwing, so that every
// caller keeps what it had and shows its own message; tests can make an allocation fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quillon {

using PixelBlock = std::unique_ptr<std::uint8_t[]>;

// size bytes, not initialised; empty when the memory cannot be had (a size of 0 gives an empty block too).
PixelBlock AllocatePixels(std::size_t size);

// Tests: the nth allocation from now fails (n <= 0: none fails).
void FailNthPixelAllocation(int n);

}  // namespace quillon
