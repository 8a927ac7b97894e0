// The head of an estimate file as its header summary needs it, read straight from the file's published
// layout: the signature, the header information unscrambled, and where the archive begins.
#pragma once

#include <cstdint>
#include <string>

namespace ovsvinfo {

struct EstimateHead {
  std::string headerInfo;         // the 305 bytes of the header information, unscrambled (packed offsets)
  std::int64_t archiveOffset = 0;  // after the history entries
};

// False when the file is shorter than its head, its signature is not "VEK3" or its history count is negative:
// the files the estimate-file library refuses to read a header of.
bool ReadEstimateHead(const std::string& vekFile, EstimateHead& head);

// A text field of the header information at its packed offset, NUL-padded to width (no NUL when it fills it).
std::string HeaderInfoField(const EstimateHead& head, std::size_t offset, std::size_t width);

}  // namespace ovsvinfo
