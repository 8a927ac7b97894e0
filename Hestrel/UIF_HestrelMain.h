// The library's exported functions: an estimate's header summary, its images and photo-link file taken out
// into a folder, and the estimate saved without its images. Each returns 0 for success, 1 when it only
// reports the buffer size it needs, and a negative number naming the step that failed.
#pragma once

#include <cstdint>
#include <string>

#define HESTREL_EXPORT extern "C" __attribute__((visibility("default")))

// -1 the estimate file is missing (tested before the size), the library cannot be bound or initialised, or a
//    buffer pointer is null; 1 *BufSize below 512 (set to 512); -2 the signature record cannot be read;
// -3 the signature is not "VEK3"; -4 the header information cannot be read; -5 Mode is neither 0 (long form)
//    nor 1 (short form).
HESTREL_EXPORT std::int32_t ZkGetHeader(const char* DllFolderPath, const char* VekFileName, char* Buffer,
                                        std::int32_t* BufSize, std::int32_t Mode) noexcept;
// -1 the source is missing; -2 ImageFolder is not a folder or is longer than 255 bytes; -3 the library cannot
// be bound or the work folder made; -4 initialising; -5 opening; -6 the image folder's name; -7 the photo-link
// file's name; -8 deleting the images; -9 saving; -10 an image or the photo-link file could not be copied
// (checked before anything is deleted).
HESTREL_EXPORT std::int32_t ZkGetImgData(const char* DllFolderPath, const char* SrcVekFileName,
                                         const char* DstVekFileName, const char* ImageFolder) noexcept;
// -1 the source is missing; -2 the library cannot be bound or the work folder made; -3 initialising;
// -4 opening; -5 deleting the images; -6 saving.
HESTREL_EXPORT std::int32_t ZkDivImgData(const char* DllFolderPath, const char* SrcVekFileName,
                                         const char* DstVekFileName) noexcept;

namespace hestrel {

inline constexpr std::int32_t kHeaderBufferSize = 512;
inline constexpr std::size_t kImageFolderLimit = 255;
inline constexpr std::int32_t kCopyFailed = -10;

// Start and end of the library: the message object and the log object (settings read here).
void HestrelLoad() noexcept;
void HestrelUnload() noexcept;

// Creates the work folder "<temp>/VsTemp<mmddhhnnzzz>" (one level); false when it cannot be made.
bool CreateWorkFolder(std::string& workFolder);
// Deletes the work folder and whatever the tree delete left in it.
void DeleteWorkFolder(const std::string& workFolder);

}  // namespace hestrel
