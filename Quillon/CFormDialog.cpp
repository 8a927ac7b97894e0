// The photo-list form's model and controls: creation, data exchange, colours and fonts, timers, the
// path-length check, the show rules of the controls, the lists' reset and the filling of thumbnails and rows.
#include "CFormDialog.h"

#include <new>

#include "CQuillonCtrl.h"
#include "DialogCreation.h"
#include "FormIds.h"
#include "QuillonResources.h"
#include "QuillonStrings.h"
#include "WorkingFolders.h"
#include "ControlMessage.h"
#include "platform/path.h"
#include "platform/text.h"

namespace quillon {

namespace ui = platform::ui;
using namespace form_ids;

namespace {

// The longest side of a thumbnail.
constexpr int kThumbnailSide = 194;


constexpr ui::Colour kWhite = ui::Rgb(255, 255, 255);
constexpr ui::Colour kSectionBlue = ui::Rgb(102, 204, 255);
constexpr ui::Colour kCornsilk = ui::Rgb(255, 248, 220);
constexpr ui::Colour kLavender = ui::Rgb(230, 230, 250);
constexpr ui::Colour kPaleGreen = ui::Rgb(224, 238, 224);
constexpr ui::Colour kBlue = ui::Rgb(0, 0, 255);
constexpr ui::Colour kRed = ui::Rgb(255, 0, 0);
constexpr ui::Colour kBlack = ui::Rgb(0, 0, 0);
constexpr ui::Colour kMagenta = ui::Rgb(255, 0, 255);

template <std::size_t N>
int IndexOf(const std::array<int, N>& ids, int id) {
  for (std::size_t i = 0; i < N; ++i) {
    if (ids[i] == id) return static_cast<int>(i);
  }
  return -1;
}

bool OneOf(int id, std::initializer_list<int> ids) {
  for (int i : ids) {
    if (i == id) return true;
  }
  return false;
}

ui::Rect Union(const ui::Rect& a, const ui::Rect& b) {
  if (a.Width() <= 0 || a.Height() <= 0) return b;
  if (b.Width() <= 0 || b.Height() <= 0) return a;
  return ui::Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom)};
}

}  // namespace

CFormDialog::CFormDialog(CQuillonCtrl& ctrl) : m_pCtrl(&ctrl) {
  m_slots[0].downloadNumber = "1";
  m_slots[1].downloadNumber = "2";
}

CFormDialog::~CFormDialog() {
  *m_alive = false;
  Destroy();
}

bool CFormDialog::Create() {
  return controls::CreateDialogForDpi(*this, FormDialogTemplate(), *m_pCtrl, m_pCtrl->ScreenDpiX(),
                                      m_pCtrl->ScreenDpiY());
}

int CFormDialog::OnCreate() {
  if (Dialog::OnCreate() == -1) return -1;
  // Files dropped on the form reach OnDropFiles.
  DragAcceptFiles(true);
  return 0;
}

// ---- data exchange ----

void CFormDialog::UpdateData(bool save) {
  if (save) {
    m_strFolder = ItemText(kFolderEdit);
    m_strComment = ItemText(kComment);
    m_strAttachEdit = ItemText(kAttachEdit);
    for (int r = 0; r < kRegistrationRows; ++r) m_bRowCheck[r] = IsItemChecked(kRowChecks[r]);
    for (int k = 0; k < kAttachmentSlots; ++k) m_slots[k].checked = IsItemChecked(kSlotChecks[k]);
    return;
  }
  // Writing the path edits notifies their change; the check must not read the controls half written.
  const bool busy = m_bEditCheckBusy;
  m_bEditCheckBusy = true;
  SetItemText(kFolderEdit, m_strFolder);
  SetItemText(kAttachEdit, m_strAttachEdit);
  SetItemText(kComment, m_strComment);
  SetItemText(kVersion, m_strVersion);
  if (!m_strBtnName.empty()) SetItemText(kBack, m_strBtnName);
  SetItemText(kFileCount, m_strFileCount);
  SetItemText(kPageNumberTop, m_strPageNumber);
  SetItemText(kPageNumberBottom, m_strPageNumber);
  SetItemText(kPageCountTop, m_strPageCount);
  SetItemText(kPageCountBottom, m_strPageCount);
  SetItemText(kCountTop, m_strRegCount);
  SetItemText(kCountBottom, m_strRegCount);
  for (int r = 0; r < kRegistrationRows; ++r) {
    SetItemText(kRowNames[r], DoubleAmpersands(m_strRowName[r]));
    SetItemText(kRowStates[r], m_strRowState[r]);
    CheckItem(kRowChecks[r], m_bRowCheck[r]);
  }
  for (int k = 0; k < kAttachmentSlots; ++k) {
    // A newly attached file is shown in bold, a registered one in the normal face.
    const platform::ui::Font& font = m_fonts[m_slots[k].IsAdded() ? kFontBold16 : kFontPGothic16];
    SetItemFont(kSlotNames[k], font);
    SetItemFont(kSlotInfos[k], font);
    SetItemText(kSlotNames[k], DoubleAmpersands(m_slots[k].displayName));
    SetItemText(kSlotInfos[k], m_slots[k].info);
    CheckItem(kSlotChecks[k], m_slots[k].checked);
  }
  SetItemText(kTotalSize, std::to_string(m_nTotalKB));
  SetItemText(kRemainingSize, std::to_string(m_nRemainingKB));
  m_bEditCheckBusy = busy;
}

// ---- fonts, rectangles, colours ----

void CFormDialog::CreateFonts() {
  const std::string gothic = "ＭＳ ゴシック";
  const std::string pgothic = "ＭＳ Ｐゴシック";
  m_fonts[kFontGothic16] = {gothic, 16, 400, false};
  m_fonts[kFontBold16] = {pgothic, 16, 700, false};
  m_fonts[kFontGothic12] = {gothic, 12, 400, false};
  m_fonts[kFontPGothic16] = {pgothic, 16, 400, false};
  m_fonts[kFontGothic10] = {gothic, 10, 400, false};
  m_fonts[kFontPGothic15] = {pgothic, 15, 400, false};
  m_fonts[kFontLink13] = {pgothic, 13, 400, true};
}

void CFormDialog::SetLabelFonts() {
  for (int c = 0; c < kFolderCells; ++c) SetItemFont(kCellNames[c], m_fonts[kFontGothic12]);
  for (int r = 0; r < kRegistrationRows; ++r) {
    SetItemFont(kRowNumbers[r], m_fonts[kFontGothic16]);
    SetItemFont(kRowNames[r], m_fonts[kFontPGothic16]);
    SetItemFont(kRowStates[r], m_fonts[kFontPGothic16]);
    SetItemFont(kRowMoveLabels[r], m_fonts[kFontGothic12]);
    SetItemFont(kRowCheckLabels[r], m_fonts[kFontGothic12]);
  }
  for (int k = 0; k < kAttachmentSlots; ++k) {
    SetItemFont(kSlotNames[k], m_fonts[kFontPGothic16]);
    SetItemFont(kSlotInfos[k], m_fonts[kFontPGothic16]);
    SetItemFont(kSlotLabels[k], m_fonts[kFontPGothic15]);
  }
  for (int id : kLinks) SetItemFont(id, m_fonts[kFontLink13]);
  for (int id : {kFolderLabel, 435, 715, 344}) SetItemFont(id, m_fonts[kFontPGothic15]);
  for (int id : {kHintPick, kHintUndo, 267, 268, kBatchResizeHint}) SetItemFont(id, m_fonts[kFontGothic12]);
  for (int id : {kFileCount, kCountTop, kCountBottom, kRemainingSize, kTotalSize}) {
    SetItemFont(id, m_fonts[kFontGothic16]);
  }
  SetItemFont(kVersion, m_fonts[kFontGothic10]);
}

void CFormDialog::CacheRectangles() {
  for (int c = 0; c < kFolderCells; ++c) m_rcCells[c] = ItemRect(kCellPictures[c]);
  for (int r = 0; r < kRegistrationRows; ++r) {
    m_rcRowPictures[r] = ItemRect(kRowPictures[r]);
    ui::Rect row = ItemRect(kRowNumbers[r]);
    for (int id : {kRowNames[r], kRowStates[r], kRowPictures[r], kRowEdit[r], kRowZoom[r], kRowLeft[r], kRowRight[r],
                   kRowCheckLabels[r]}) {
      row = Union(row, ItemRect(id));
    }
    m_rcRows[r] = ui::Rect{row.left - 3, row.top - 3, row.right + 3, row.bottom + 3};
  }
  for (int k = 0; k < kAttachmentSlots; ++k) {
    ui::Rect row = ItemRect(kSlotNames[k]);
    for (int id : {kSlotInfos[k], kSlotDownloads[k], kSlotChecks[k], kSlotCheckLabels[k]}) row = Union(row, ItemRect(id));
    m_rcAttachmentRows[k] = ui::Rect{row.left - 2, row.top - 2, row.right + 2, row.bottom + 2};
  }
  ui::Rect folder = ItemRect(kHintPick);
  for (int id : {kPageBackBottom, kPageForwardBottom, kCellZoom[13], kPageForwardTop}) folder = Union(folder, ItemRect(id));
  m_rcFolderFrame = ui::Rect{folder.left - 4, folder.top - 4, folder.right + 4, folder.bottom + 4};
  ui::Rect reg = ItemRect(kCountTop);
  for (int id : {kRemoveRowsBottom, kRemoveRowsTop, 267}) reg = Union(reg, ItemRect(id));
  for (const ui::Rect& row : m_rcRows) reg = Union(reg, row);
  m_rcRegistrationFrame = ui::Rect{reg.left - 4, reg.top - 4, reg.right + 4, reg.bottom + 4};
  ui::Rect attach = ItemRect(kComment);
  for (int id : {kAttachEdit, kRemoveAttachments, 268, kAttachAdd}) attach = Union(attach, ItemRect(id));
  for (const ui::Rect& row : m_rcAttachmentRows) attach = Union(attach, row);
  m_rcAttachmentFrame = ui::Rect{attach.left - 4, attach.top - 4, attach.right + 4, attach.bottom + 4};
}

void CFormDialog::OnCtlColor(int id, ui::CtlColorType type, ui::ControlColors& colors) {
  Dialog::OnCtlColor(id, type, colors);
  if (type != ui::CtlColorType::Static) {
    colors.brush = kWhite;
    return;
  }
  colors.transparent = true;
  colors.brush = kWhite;
  if (OneOf(id, {264, 269, 271, 344, 435, 715})) {
    colors.brush = kSectionBlue;
  } else if (OneOf(id, {267, 268})) {
    colors.text = kBlue;
  } else if (OneOf(id, {kHintPick, kHintUndo})) {
    colors.brush = kLavender;
    colors.text = kBlue;
  } else if (OneOf(id, {265, 266, 296, 319, 461, 462, 463, 466, 467, 468, 469, 470})) {
    colors.brush = kLavender;
  } else if (id == kRemainingSize) {
    colors.text = m_nRemainingKB < 0 ? kRed : kBlack;
  } else if (id == kBatchResizeHint) {
    colors.text = kRed;
  } else if (OneOf(id, {328, 432, 434, 436, 437, 477, 480, 481, 484, 486})) {
    colors.brush = kPaleGreen;
  } else if (int link = IndexOf(kLinks, id); link >= 0) {
    colors.brush = kPaleGreen;
    colors.text = m_bLinkHighlight[link] ? kMagenta : kBlue;
  } else if (int cell = IndexOf(kCellNames, id); cell >= 0) {
    const FileEntry* e = m_folderPage.At(cell);
    colors.brush = (e && e->mark) ? kCornsilk : kLavender;
  } else {
    for (int r = 0; r < kRegistrationRows; ++r) {
      if (OneOf(id, {kRowNumbers[r], kRowNames[r], kRowStates[r], kRowMoveLabels[r], kRowCheckLabels[r],
                     kRowChecks[r]})) {
        colors.brush = m_strRowState[r] == kAddedFileText ? kCornsilk : kPaleGreen;
        return;
      }
    }
    for (int k = 0; k < kAttachmentSlots; ++k) {
      if (OneOf(id, {kSlotNames[k], kSlotInfos[k], kSlotCheckLabels[k], kSlotChecks[k]})) {
        colors.brush = m_slots[k].IsAdded() ? kCornsilk : kWhite;
        return;
      }
    }
  }
}

bool CFormDialog::IsLinkHighlighted(int id) const {
  int link = IndexOf(kLinks, id);
  return link >= 0 && m_bLinkHighlight[link];
}

void CFormDialog::RepaintLinks() {
  for (int id : kLinks) InvalidateItem(id);
}

// ---- timers ----

void CFormDialog::OnTimer(int id) {
  KillTimer(id);
  if (id == 1) {
    EnableDownloadButtons();
  } else if (id == 2) {
    m_bLinkHighlight.fill(false);
    RepaintLinks();
  }
}

void CFormDialog::EnableDownloadButtons() {
  for (int k = 0; k < kAttachmentSlots; ++k) {
    if (!m_slots[k].path.empty()) EnableItem(kSlotDownloads[k], true);
  }
}

// ---- path-length check ----

void CFormDialog::CheckPathLengths() {
  if (m_bEditCheckBusy) return;
  UpdateData(true);
  for (std::string* path : {&m_strFolder, &m_strAttachEdit}) {
    if (path->size() <= kMaxPathBytes) continue;
    m_bEditCheckBusy = true;
    controls::ShowTextMessage(StringTable(), kPathTooLongText, ui::BoxIcon::Exclamation);
    *path = CutPath(*path);
    UpdateData(false);
    m_bEditCheckBusy = false;
    m_bPathRejected = true;
  }
}

// ---- messages ----

void CFormDialog::ShowStop(int id, const std::string& argument) {
  m_pCtrl->ShowMessage(id, ui::BoxIcon::Stop, {argument});
}

void CFormDialog::ShowUser(int id, const std::string& argument) {
  m_pCtrl->ShowMessage(id, ui::BoxIcon::Exclamation, {argument});
}

ui::BoxAnswer CFormDialog::Ask(const std::string& text) {
  return controls::ShowTextMessage(StringTable(), text, ui::BoxIcon::Question, ui::BoxButtons::OkCancel);
}

void CFormDialog::Inform(const std::string& text) {
  controls::ShowTextMessage(StringTable(), text, ui::BoxIcon::Information);
}

// ---- folders ----

std::string CFormDialog::StagingFolder() const { return m_strSystemFolder + kUploadFolderName; }

std::string CFormDialog::StagingPathOf(const std::string& name) const {
  return StagingFolder() + platform::kDelimiter + name;
}

std::string CFormDialog::EstimateFolder() const {
  return m_strSystemFolder + kEstimateFolderName + platform::kDelimiter;
}

int CFormDialog::IsInDownloadFolder(const std::string& path) const {
  if (path.empty()) return 0;
  std::size_t slash = platform::FindLastChar(path, platform::kDelimiter);
  std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  return platform::EqualsNoCaseAscii(folder, EstimateFolder()) ? 0 : -1;
}

int CFormDialog::ClearFileAttributes(const std::string& path) {
  std::uint32_t attributes = platform::GetAttributes(path);
  if (attributes == platform::kAttrInvalid) return -1;
  attributes &= ~(platform::kAttrReadOnly | platform::kAttrHidden);
  if (attributes == 0) attributes = platform::kAttrNormal;
  return platform::SetAttributes(path, attributes) ? 0 : -1;
}

// ---- resetting the lists ----

bool CFormDialog::ResetDownloadedList(FileEntryList& list,
                                      std::array<std::unique_ptr<CImageBuffer>, kRegistrationRows>& images) {
  list.RemoveAll();
  for (auto& image : images) {
    image.reset(new (std::nothrow) CImageBuffer);
    if (!image) {
      ShowStop(1002);
      return false;
    }
  }
  return true;
}

bool CFormDialog::ResetRegistrationList() {
  if (!ResetDownloadedList(m_regList, m_regImages)) return false;
  m_strRowName.fill({});
  m_strRowState.fill({});
  m_bRowCheck.fill(false);
  m_nRegFirst = -1;
  m_nRegSelected = -1;
  m_strRegCount = "0";
  return true;
}

bool CFormDialog::ResetFolderPage() {
  m_folderPage.RemoveAll();
  for (int c = 0; c < kFolderCells; ++c) {
    m_folderImages[c].reset(new (std::nothrow) CImageBuffer);
    if (!m_folderImages[c]) {
      ShowStop(1002);
      return false;
    }
    SetItemText(kCellNames[c], "");
  }
  return true;
}

// ---- thumbnails and rows ----

void CFormDialog::FillThumbnail(int cell) {
  FileEntry* e = m_folderPage.At(cell);
  if (!e) {
    SetItemText(kCellNames[cell], "");
    return;
  }
  SetItemText(kCellNames[cell], DoubleAmpersands(e->fileName));
  e->imageLoaded = false;
  CImageBuffer* image = m_folderImages[cell].get();
  if (!image || !e->present) return;
  // A photo that cannot be read is told once, not at every page it is on: until it changes.
  const std::string path = m_strImageFolder + e->fileName;
  const std::string identity = path + '\n' + e->lastWriteKey + '\n' + std::to_string(e->size);
  if (m_unreadablePhotos.count(identity)) return;
  e->imageLoaded = image->LoadScaled(path, kThumbnailSide) == 0 && image->ConvertTo(kFormatBitmap) == 0;
  if (!e->imageLoaded) m_unreadablePhotos.insert(identity);
}

void CFormDialog::FillRow(int row, bool loadImage) {
  FileEntry* e = m_regList.At(row);
  if (!e) {
    m_strRowName[row].clear();
    m_strRowState[row].clear();
    m_bRowCheck[row] = false;
    return;
  }
  m_strRowName[row] = e->fileName;
  const bool added = e->added;
  m_strRowState[row] = added ? std::string(kAddedFileText) : KeyDisplayText(e->entryKey);
  SetItemFont(kRowNames[row], m_fonts[added ? kFontBold16 : kFontPGothic16]);
  SetItemFont(kRowStates[row], m_fonts[added ? kFontBold16 : kFontPGothic16]);
  if (!loadImage) return;
  e->imageLoaded = false;
  CImageBuffer* image = m_regImages[row].get();
  if (!image || !e->present) return;
  e->imageLoaded = image->LoadScaled(StagingPathOf(e->fileName), kThumbnailSide) == 0 &&
                   image->ConvertTo(kFormatBitmap) == 0;
}

void CFormDialog::FillAllRows() {
  for (int r = 0; r < kRegistrationRows; ++r) FillRow(r);
}

void CFormDialog::RepaintRows() {
  InvalidateRect(m_rcRegistrationFrame, false);
  UpdateData(false);
}

// ---- show rules ----

void CFormDialog::ShowFolderPageControls() {
  const int total = static_cast<int>(m_folderPaths.size());
  const bool back = m_nFolderFirst > 0;
  const bool forward = m_nFolderFirst >= 0 && m_nFolderFirst + kFolderCells < total;
  for (int id : {kPageBackTop, kPageBackBottom}) EnableItem(id, back);
  for (int id : {kPageForwardTop, kPageForwardBottom}) EnableItem(id, forward);
  for (int c = 0; c < kFolderCells; ++c) {
    const FileEntry* e = m_folderPage.At(c);
    ShowItem(kCellZoom[c], e && e->imageLoaded);
  }
}

void CFormDialog::ShowRegistrationRows() {
  int firstAdded = -1;
  for (int r = 0; r < kRegistrationRows; ++r) {
    const FileEntry* e = m_regList.At(r);
    if (e && e->added && firstAdded < 0) firstAdded = r;
  }
  const int last = m_regList.Count() - 1;
  for (int r = 0; r < kRegistrationRows; ++r) {
    const FileEntry* e = m_regList.At(r);
    const bool shown = e != nullptr;
    const bool added = shown && e->added;
    const bool loaded = shown && e->imageLoaded;
    ShowItem(kRowPictures[r], shown);
    ShowItem(kRowNames[r], shown);
    ShowItem(kRowStates[r], shown);
    ShowItem(kRowNumbers[r], shown);
    for (int id : {kRowEdit[r], kRowLeft[r], kRowRight[r], kRowMoveLabels[r]}) ShowItem(id, added);
    EnableItem(kRowLeft[r], added && r != firstAdded);
    EnableItem(kRowRight[r], added && r != last);
    ShowItem(kRowZoom[r], loaded);
    ShowItem(kRowChecks[r], loaded);
    ShowItem(kRowCheckLabels[r], loaded);
    if (shown) {
      SetItemText(kRowNumbers[r], std::to_string((m_nRegFirst < 0 ? 0 : m_nRegFirst) + r + 1));
    } else {
      m_strRowState[r].clear();
      SetItemText(kRowStates[r], "");
    }
  }
}

void CFormDialog::ShowAttachmentControls() {
  const bool full = !m_slots[0].path.empty() && !m_slots[1].path.empty();
  EnableItem(kAttachBrowse, !full);
  EnableItem(kAttachAdd, !full);
  for (int k = 0; k < kAttachmentSlots; ++k) {
    const bool held = !m_slots[k].path.empty();
    for (int id : {kSlotChecks[k], kSlotCheckLabels[k], kSlotDownloads[k]}) ShowItem(id, held);
  }
}

void CFormDialog::UpdateControls() {
  RefreshSizes();
  ShowFolderPageControls();
  ShowRegistrationRows();
  bool rowChecked = false;
  for (int r = 0; r < kRegistrationRows; ++r) rowChecked = rowChecked || (m_regList.At(r) && m_bRowCheck[r]);
  EnableItem(kRemoveRowsTop, rowChecked);
  EnableItem(kRemoveRowsBottom, rowChecked);
  bool slotChecked = false;
  for (const AttachmentSlot& s : m_slots) slotChecked = slotChecked || (!s.path.empty() && s.checked);
  EnableItem(kRemoveAttachments, slotChecked);
  // The batch resize works on the registration list.
  EnableItem(kBatchResize, m_regList.Count() > 0);
  ShowAttachmentControls();
  ShowItem(kBatchResizeHint, m_nRemainingKB < 0);
}

// ---- sizes ----

void CFormDialog::RefreshSizes() {
  std::int64_t bytes = 0;
  for (const FileEntry* e = m_regList.Head(); e; e = e->next.get()) bytes += e->size;
  for (const AttachmentSlot& s : m_slots) bytes += s.size;
  const std::int64_t total = KilobytesOf(bytes);
  const std::int64_t remaining = static_cast<std::int64_t>(m_pCtrl->GetMaxByte()) - total;
  const bool sign = (remaining < 0) != (m_nRemainingKB < 0);
  m_nTotalKB = total;
  m_nRemainingKB = remaining;
  if (ItemText(kTotalSize) != std::to_string(total)) SetItemText(kTotalSize, std::to_string(total));
  if (ItemText(kRemainingSize) != std::to_string(remaining)) SetItemText(kRemainingSize, std::to_string(remaining));
  if (sign) {
    InvalidateItem(kRemainingSize);
    ShowItem(kBatchResizeHint, m_nRemainingKB < 0);
  }
}

// ---- commands ----

bool CFormDialog::OnCommand(int id, int notification) {
  const bool clicked = notification == ui::notify::kClicked;
  if (id == kFolderEdit) {
    if (notification == ui::notify::kEditSetFocus) m_bFolderEditFocused = true;
    if (notification == ui::notify::kEditKillFocus) m_bFolderEditFocused = false;
    if (notification == ui::notify::kEditChange) CheckPathLengths();
    return true;
  }
  if (id == kAttachEdit) {
    if (notification == ui::notify::kEditChange) CheckPathLengths();
    return true;
  }
  if (id == kComment) {
    if (notification == ui::notify::kEditChange && !m_bEditCheckBusy) UpdateData(true);
    return true;
  }
  if (id == kPastFolders) {
    if (notification == ui::notify::kSelChange) OnPastFolder();
    return true;
  }
  if (id == kSortOrder) {
    if (notification == ui::notify::kSelChange) OnSortOrder();
    return true;
  }
  if (!clicked) return Dialog::OnCommand(id, notification);

  if (int c = IndexOf(kCellZoom, id); c >= 0) {
    OpenImageDialog(0, c);
  } else if (int r = IndexOf(kRowEdit, id); r >= 0) {
    OpenImageDialog(1, r);
  } else if (int r2 = IndexOf(kRowZoom, id); r2 >= 0) {
    OpenImageDialog(2, r2);
  } else if (int r3 = IndexOf(kRowLeft, id); r3 >= 0) {
    OnMoveRow(r3, -1);
  } else if (int r4 = IndexOf(kRowRight, id); r4 >= 0) {
    OnMoveRow(r4, 1);
  } else if (IndexOf(kRowChecks, id) >= 0 || IndexOf(kSlotChecks, id) >= 0) {
    UpdateData(true);
    UpdateControls();
  } else if (id == kSelectAllTop || id == kSelectAllBottom) {
    OnSelectRows(id, true);
  } else if (id == kClearAllTop || id == kClearAllBottom) {
    OnSelectRows(id, false);
  } else if (int k = IndexOf(kSlotDownloads, id); k >= 0) {
    OnDownloadButton(k);
  } else {
    switch (id) {
      case kRegister: OnRegister(); break;
      case kBack: m_pCtrl->SetStatus(11, ""); break;
      case kBatchResize: OnBatchResize(); break;
      case kRemoveRowsTop:
      case kRemoveRowsBottom: OnRemoveRows(); break;
      case kRemoveAttachments: OnRemoveAttachments(); break;
      case kAttachBrowse: OnAttach(true); break;
      case kAttachAdd: OnAttach(false); break;
      case kPageBackTop:
      case kPageBackBottom: PageBack(); break;
      case kPageForwardTop:
      case kPageForwardBottom: PageForward(); break;
      case kShowFolder: OnShowFolder(); break;
      case kBrowseFolder: OnBrowseFolder(); break;
      // The standard buttons never end the form: it is no dialog of its own.
      case ui::kIdOk:
      case ui::kIdCancel: break;
      default: return Dialog::OnCommand(id, notification);
    }
  }
  return true;
}

}  // namespace quillon
