// A cheap look at a data block that tells whether deflate could make it smaller by enough to be worth its
// time: photographs and other compressed data are stored as they are, at a small fraction of the cost of
// searching them for matches that are not there.
#pragma once

#include <cstddef>

namespace cabinet {

// True when the block's bytes are spread over the byte values as evenly as compressed data's (so coding them
// one by one saves next to nothing) and no stretch of the block repeats an earlier one (so there are no
// matches to take either). Small blocks are never judged: compressing them costs little.
bool IsIncompressible(const unsigned char* data, std::size_t size);

}  // namespace cabinet
