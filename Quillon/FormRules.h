// The photo-list form's rules that need no window: texts of names, times and sizes, the sort orders of the
// folder page, where a thumbnail is drawn in its frame, and which names may become local file names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/ui/types.h"

namespace quillon {

// Texts the form marks files with.
inline constexpr const char* kAddedFileText = "追加ファイル";
inline constexpr const char* kRegisteredImageText = "登録済画像";

// The longest path the form's edits and its photo folder take.
inline constexpr std::size_t kMaxPathBytes = 256;

// The box a path longer than kMaxPathBytes gets.
inline constexpr const char* kPathTooLongText = "文字数が規定の範囲を超えています。変更してください。";

// The folder part of a path with its trailing delimiter; empty for a path without one.
std::string FolderOfPath(const std::string& path);

// The path with the delimiter appended, unless it is empty or ends in one (the last character found by
// stepping over double-byte characters).
std::string AppendBackslash(const std::string& path);

// A name as a label shows it: every "&" doubled, so it is not taken as a mnemonic.
std::string DoubleAmpersands(std::string_view text);

// The text cut to at most kMaxPathBytes bytes, never inside a double-byte character.
std::string CutPath(std::string_view text);

// A 14-digit time key shown as "%s/%s/%s %s:%s:%s" (year, month, day, hour, minute, second); a shorter key
// gives what it holds.
std::string KeyDisplayText(std::string_view key);

// Kilobytes of a byte count, rounded up.
std::int64_t KilobytesOf(std::int64_t bytes);

// A name from the host that becomes a local file name: not empty, and without "/", "\", ":" or "..".
bool IsSafeLocalName(std::string_view name);

// The year of a time key (its first four digits), -1 when it has none.
int KeyYear(std::string_view key);

// One file of the photo folder, with the last-write time its search read.
struct FolderFile {
  std::string path;
  platform::FileTime lastWrite;
};

// Sort orders of the folder page, as the entries of the sort-order list.
enum FolderOrder : int { kNewestFirst = 0, kOldestFirst = 1, kNameAscending = 2, kNameDescending = 3 };

// Sorts by the order (another value: newest first). Equal times go by the full name ascending; names compare
// byte for byte.
void SortFolderFiles(std::vector<FolderFile>& files, int order);

// Where a width × height picture is drawn in a frame of frameWidth × frameHeight, relative to the frame: at
// its own size when it is smaller both ways, else 5 pixels less than the frame on the side that limits it,
// the other side in proportion; centred. Each side at least 1 pixel; empty for a picture without pixels.
platform::ui::Rect FitThumbnail(int width, int height, int frameWidth, int frameHeight);

}  // namespace quillon
