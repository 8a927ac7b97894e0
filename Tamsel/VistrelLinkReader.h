// The reader of the photo-link file that an estimate carries: one element a line, the elements it knows taken
// in any order and letter case into a record, the five standard entities decoded.
#pragma once

#include <string>
#include <string_view>

#include "CVekHeaderData.h"

namespace tamsel {

// Fills the fields of record from the file's known elements; a later line of an element overwrites an earlier
// one, and the fields of elements the file lacks keep what they held. Nothing is read when the path is empty,
// the file cannot be read or there is no record. False when nothing was read.
bool ReadVistrelLinkFile(const std::string& path, CVekHeaderData* record);

// "&lt;", "&gt;", "&amp;", "&quot;" and "&apos;" replaced in one pass from left to right, so a decoded "&" never
// starts another entity ("&amp;quot;" gives "&quot;").
std::string DecodeEntities(std::string_view text);

}  // namespace tamsel
