// Pakkel and Lunnet: pack files into one cabinet archive and unpack one into a folder.
// Both return 1 for success and 0 for failure; callers own every string and the array.
//
// Pakkel (libPakkel.so, "Pakkel.dll"):
//   int CompressFile(int count, const char* basePrefix, char** files, const char* cabPath);
//   int UncompressFile(const char* cabPath, const char* destDir);
// Lunnet (libLunnet.so, "Lunnet.dll"): the same UncompressFile, and
//   int CompressFile(int count, char** files, const char* cabPath);
//
// A stored name is the text of a file's path after the first occurrence of basePrefix (Pakkel) or after
// its last delimiter (Lunnet, and Pakkel when basePrefix does not occur), with "\" between folders; a work
// folder passed without its trailing delimiter gives "\HeaderDt.ini" and "\Image\P0001.jpg".
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef int (*PakkelCompressFileFn)(int count, const char* basePrefix, char** files, const char* cabPath);
typedef int (*LunnetCompressFileFn)(int count, char** files, const char* cabPath);
typedef int (*UncompressFileFn)(const char* cabPath, const char* destDir);

#ifdef __cplusplus
}
#endif
