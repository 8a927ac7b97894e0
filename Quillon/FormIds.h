// The control ids of the photo-list form (dialog 201), by role, in cell and row order.
#pragma once

#include <array>

namespace quillon::form_ids {

// Folder box and lists.
inline constexpr int kFolderLabel = 264;
inline constexpr int kFolderEdit = 206;
inline constexpr int kBrowseFolder = 207;
inline constexpr int kShowFolder = 229;
inline constexpr int kPastFolders = 410;
inline constexpr int kSortLabel = 296;
inline constexpr int kSortOrder = 431;
inline constexpr int kHintPick = 285;
inline constexpr int kHintUndo = 288;
inline constexpr int kVersion = 429;

// Folder page.
inline constexpr std::array<int, 14> kCellPictures = {213, 214, 215, 216, 217, 218, 227,
                                                     228, 237, 241, 242, 243, 247, 260};
inline constexpr std::array<int, 14> kCellNames = {257, 258, 259, 262, 272, 273, 379,
                                                  380, 381, 382, 383, 384, 398, 438};
inline constexpr std::array<int, 14> kCellZoom = {270, 286, 287, 304, 305, 306, 385,
                                                 374, 375, 376, 377, 378, 439, 440};
inline constexpr int kPageBackTop = 289;
inline constexpr int kPageBackBottom = 290;
inline constexpr int kPageForwardTop = 291;
inline constexpr int kPageForwardBottom = 295;
inline constexpr int kPageNumberTop = 469;
inline constexpr int kPageCountTop = 470;
inline constexpr int kPageNumberBottom = 463;
inline constexpr int kPageCountBottom = 466;
inline constexpr int kFileCountLabel = 266;
inline constexpr int kFileCount = 265;
inline constexpr int kFileCountUnit = 319;

// Sizes and the batch resize.
inline constexpr int kRemainingSize = 317;
inline constexpr int kTotalSize = 316;
inline constexpr int kBatchResize = 231;
inline constexpr int kBatchResizeHint = 488;

// Registration rows.
inline constexpr std::array<int, 9> kRowPictures = {219, 220, 222, 223, 224, 225, 238, 239, 240};
inline constexpr std::array<int, 9> kRowNumbers = {310, 311, 312, 313, 314, 315, 338, 339, 340};
inline constexpr std::array<int, 9> kRowNames = {275, 276, 277, 282, 283, 284, 341, 342, 365};
inline constexpr std::array<int, 9> kRowStates = {399, 400, 401, 402, 403, 404, 405, 406, 407};
inline constexpr std::array<int, 9> kRowEdit = {308, 318, 324, 325, 326, 327, 367, 371, 373};
inline constexpr std::array<int, 9> kRowZoom = {201, 204, 320, 321, 322, 323, 366, 370, 372};
inline constexpr std::array<int, 9> kRowMoveLabels = {700, 701, 702, 703, 704, 705, 706, 707, 708};
inline constexpr std::array<int, 9> kRowLeft = {409, 412, 414, 416, 418, 420, 422, 424, 426};
inline constexpr std::array<int, 9> kRowRight = {411, 413, 415, 417, 419, 421, 423, 425, 427};
inline constexpr std::array<int, 9> kRowChecks = {450, 451, 452, 453, 454, 455, 456, 457, 458};
inline constexpr std::array<int, 9> kRowCheckLabels = {441, 442, 443, 444, 445, 446, 447, 448, 449};
inline constexpr int kSelectAllTop = 476;
inline constexpr int kClearAllTop = 478;
inline constexpr int kSelectAllBottom = 485;
inline constexpr int kClearAllBottom = 487;
inline constexpr std::array<int, 4> kLinks = {kSelectAllTop, kClearAllTop, kSelectAllBottom, kClearAllBottom};
inline constexpr int kRemoveRowsTop = 235;
inline constexpr int kRemoveRowsBottom = 236;
inline constexpr int kCountTop = 436;
inline constexpr int kCountBottom = 480;

// Comment and attachments.
inline constexpr int kComment = 713;
inline constexpr int kAttachEdit = 345;
inline constexpr int kAttachBrowse = 232;
inline constexpr int kAttachAdd = 234;
inline constexpr std::array<int, 2> kSlotNames = {293, 302};
inline constexpr std::array<int, 2> kSlotInfos = {303, 307};
inline constexpr std::array<int, 2> kSlotDownloads = {346, 347};
inline constexpr std::array<int, 2> kSlotChecks = {460, 472};
inline constexpr std::array<int, 2> kSlotCheckLabels = {459, 471};
inline constexpr std::array<int, 2> kSlotLabels = {269, 271};
inline constexpr int kRemoveAttachments = 230;

inline constexpr int kRegister = 205;
inline constexpr int kBack = 208;
inline constexpr int kBrowser = 479;

}  // namespace quillon::form_ids
