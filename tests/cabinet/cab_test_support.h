// Helpers of the cabinet tests: peers run through the shell, generated contents, and an independent
// reading of the records of a cabinet (for fields that the peers do not show).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cabtest {

// Runs a shell command; gives its exit status, and what it printed (stdout and stderr) into output.
int Shell(const std::string& command, std::string* output = nullptr);
// s in single quotes for the shell.
std::string Quote(const std::string& s);

// Reproducible contents: incompressible bytes and text that packs to about half its size.
std::string RandomBytes(std::size_t size, std::uint32_t seed);
std::string Text(std::size_t size, std::uint32_t seed);

struct RawEntry {
  std::string name;
  std::uint32_t size = 0, offset = 0;
  std::uint16_t folder = 0, date = 0, time = 0, attribs = 0;
};
struct RawCabinet {
  std::uint32_t size = 0;
  std::uint16_t folderCount = 0, fileCount = 0, flags = 0, setId = 0, index = 0;
  std::string prev, next;
  std::vector<std::uint16_t> folderBlocks;
  std::vector<std::uint32_t> folderStarts;  // offsets of their first data blocks
  std::vector<RawEntry> entries;
};
// Reads the header, folder and file records of the cabinet at the system path; false when it cannot.
bool ReadRawCabinet(const std::string& systemPath, RawCabinet& out);
// Offsets of the data blocks (their 8-byte headers) of a cabinet without reserved areas (bytes in memory).
std::vector<std::size_t> BlockOffsets(const std::string& cabinet);
// Clears the checksum of every data block.
void ClearChecksums(std::string& cabinet);

// Runs the set generator tests/fixtures/make_cab_set.py: the cabinets of scenario into the system folder out
// (the first one's next cabinet renamed to firstNext when given); gives the CP932 name of the first cabinet, empty
// when the generator failed. A sound set's files stand under out/expected/.
std::string MakeSet(const std::string& scenario, const std::string& out, const std::string& firstNext = {});

// A short fingerprint of bytes: their size and a 64-bit hash.
std::string Digest(const std::string& bytes);
// Files under a system folder (relative names, "/" between folders, sorted) with their digests.
std::vector<std::pair<std::string, std::string>> TreeOf(const std::string& systemFolder);

}  // namespace cabtest
