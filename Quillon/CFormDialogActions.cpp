// What the photo-list form does when the person acts on it: photos into and out of the registration list,
// moving them, attaching and removing documents, and the check before a registration starts.
#include <algorithm>
#include <cstring>

#include "CFormDialog.h"
#include "CImageDialog.h"
#include "CQuillonCtrl.h"
#include "ControlMessage.h"
#include "FormIds.h"
#include "JpegFile.h"
#include "QuillonStrings.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/ui/services.h"

namespace quillon {

namespace ui = platform::ui;
using namespace form_ids;

namespace {

constexpr const char* kAskRemovePhotos = "選択した画像ファイルの削除を行います。よろしいですか？";
constexpr const char* kAskRemoveAttachments = "選択した添付ファイルの削除を行います。よろしいですか？";
constexpr const char* kAskRegister = "サーバへの登録を開始します。よろしいですか？";
constexpr const char* kAskBatchResize = "一括サイズ変換を行ないます。よろしいですか？";
constexpr const char* kBatchResizeDone = "件のサイズ変更が完了しました。\n\n画像番号=";
constexpr const char* kNumberSeparator = "、";
constexpr const char* kAttachFilter =
    "すべてのファイル (*.*)|*.*|Microsoft Wordファイル (*.doc)|*.doc|Microsoft Excelファイル (*.xls)|*.xls|"
    "Acrobat PDFファイル (*.pdf)|*.pdf|";
constexpr const char* kAttachExtension = "*.doc|*.xls|*.pdf|*.*";
constexpr const char* kAttachedText[] = {"添付ファイル１に設定しました。", "添付ファイル２に設定しました。"};

// The years a photo's last write may fall in.
constexpr int kFirstYear = 1970;
constexpr int kLastYear = 2037;


// A file that can be opened for reading; false with the system's error otherwise.
bool Readable(const std::string& path) { return platform::File::Open(path, platform::OpenMode::Read) != nullptr; }

}  // namespace

// ---- the registration list ----

bool CFormDialog::NameTaken(const std::string& name, int exceptSlot, bool exact) const {
  auto same = [&](const std::string& other) { return exact ? other == name : platform::EqualsNoCaseAscii(other, name); };
  for (const FileEntry* e = m_regList.Head(); e; e = e->next.get()) {
    if (same(e->fileName)) return true;
  }
  for (int k = 0; k < kAttachmentSlots; ++k) {
    if (k != exceptSlot && !m_slots[k].path.empty() && same(m_slots[k].displayName)) return true;
  }
  return false;
}

int CFormDialog::AddPhotoToRegistration(int index, int source) {
  FileEntryList* list = source == kFromFolderPage      ? &m_folderPage
                        : source == kFromRegisteredList ? &m_registeredList
                        : source == kFromDroppedList    ? &m_droppedList
                                                        : nullptr;
  FileEntry* entry = list ? list->At(index) : nullptr;
  if (!entry) return 0;
  const int year = KeyYear(entry->lastWriteKey);
  if (year < 0) {
    ShowUser(2012, entry->fullPath);
    return 0;
  }
  if (year < kFirstYear || year > kLastYear) {
    ShowUser(2002);
    return 0;
  }
  if (m_regList.Count() >= kRegistrationRows) {
    m_pCtrl->ShowMessage(2003, ui::BoxIcon::Exclamation, {kRegistrationRows});
    return 0;
  }
  // The server's photos are told apart by their whole names: two that differ only in case are two photos.
  if (NameTaken(entry->fileName, -1, source == kFromRegisteredList)) {
    ShowUser(2004, entry->fileName);
    return 0;
  }
  const std::string sourcePath = source == kFromFolderPage ? m_strImageFolder + entry->fileName : entry->fullPath;
  if (source != kFromRegisteredList) {
    CImageBuffer probe;
    if (probe.LoadScaled(sourcePath, 1) != 0) return 0;
  }
  const std::string target = StagingPathOf(entry->fileName);
  // A photo of the staging folder itself would be deleted before it is copied.
  if (platform::SameFile(sourcePath, target)) {
    ShowStop(1011, sourcePath);
    return 0;
  }
  if (platform::Exists(target)) {
    ClearFileAttributes(target);
    platform::DeleteFile(target);
  }
  if (!platform::CopyFile(sourcePath, target, true)) {
    ShowStop(1011, sourcePath);
    return 0;
  }
  ClearFileAttributes(target);
  FileEntry* added = m_regList.AddCopy(*entry);
  if (!added) return 0;
  added->added = source != kFromRegisteredList;
  added->mark = 0;
  if (source == kFromFolderPage) entry->mark = 1;
  const int row = m_regList.Count() - 1;
  m_nRegFirst = 0;
  FillRow(row);
  m_nRegSelected = row;
  m_strRegCount = std::to_string(m_regList.Count());
  UpdateData(false);
  UpdateControls();
  return 1;
}

int CFormDialog::RemoveRegistrationRow(int row) {
  if (row < 0 || row >= kRegistrationRows || !m_regList.At(row)) return 0;
  m_regList.RemoveAt(row);
  // The rows below move up with their thumbnails; the last row gets an empty buffer.
  for (int r = row; r + 1 < kRegistrationRows; ++r) {
    m_regImages[r] = std::move(m_regImages[r + 1]);
    m_bRowCheck[r] = m_bRowCheck[r + 1];
  }
  m_regImages[kRegistrationRows - 1].reset(new (std::nothrow) CImageBuffer);
  m_bRowCheck[kRegistrationRows - 1] = false;
  for (int r = row; r < kRegistrationRows; ++r) FillRow(r, false);
  if (m_regList.Count() == 0) m_nRegFirst = -1;
  if (m_nRegSelected == row) {
    m_nRegSelected = -1;
  } else if (m_nRegSelected > row) {
    --m_nRegSelected;
  }
  m_strRegCount = std::to_string(m_regList.Count());
  UpdateData(false);
  UpdateControls();
  return 1;
}

void CFormDialog::OnRemoveRows() {
  if (m_regList.Count() == 0) {
    ShowUser(2022);
    return;
  }
  if (Ask(kAskRemovePhotos) != ui::BoxAnswer::Ok) return;
  UpdateData(true);
  std::array<bool, kRegistrationRows> checked = m_bRowCheck;
  for (int r = 0; r < kRegistrationRows; ++r) {
    const FileEntry* e = m_regList.At(r);
    if (!e || !checked[r]) continue;
    for (FileEntry* f = m_folderPage.Head(); f; f = f->next.get()) {
      if (f->fileName == e->fileName) f->mark = 0;
    }
  }
  for (int r = kRegistrationRows - 1; r >= 0; --r) {
    const FileEntry* e = m_regList.At(r);
    if (!e || !checked[r]) continue;
    if (m_strRowState[r] != kAddedFileText) m_bDeleted = true;
    RemoveRegistrationRow(r);
  }
  if (m_regList.Count() == 0) {
    ResetRegistrationList();
    m_registeredListSlots.clear();
    m_nRegisteredSelected = -1;
    ResetDownloadedList(m_registeredList, m_registeredImages);
    ResetDownloadedList(m_droppedList, m_droppedImages);
  }
  m_nRegSelected = -1;
  RepaintRows();
  UpdateControls();
  for (int c = 0; c < kFolderCells; ++c) InvalidateItem(kCellNames[c]);
  Invalidate(false);
}

void CFormDialog::OnMoveRow(int row, int step) {
  const int other = row + step;
  if (!m_regList.At(row) || !m_regList.At(other)) return;
  const int upper = std::min(row, other);
  m_regList.SwapWithNext(upper);
  std::swap(m_regImages[upper], m_regImages[upper + 1]);
  std::swap(m_bRowCheck[upper], m_bRowCheck[upper + 1]);
  FillRow(upper, false);
  FillRow(upper + 1, false);
  if (m_nRegSelected == row) m_nRegSelected = other;
  RepaintRows();
  UpdateControls();
}

void CFormDialog::OnSelectRows(int linkId, bool check) {
  KillTimer(2);
  for (int r = 0; r < kRegistrationRows; ++r) {
    if (m_regList.At(r)) m_bRowCheck[r] = check;
  }
  for (std::size_t i = 0; i < kLinks.size(); ++i) m_bLinkHighlight[i] = kLinks[i] == linkId;
  RepaintLinks();
  UpdateData(false);
  UpdateControls();
  SetTimer(2, static_cast<unsigned>(std::max(0, m_nUploadColorChangeTime)));
}

// ---- attachments ----

bool CFormDialog::AcceptAttachment(int k) {
  AttachmentSlot& slot = m_slots[k];
  if (!platform::IsFile(slot.path)) {
    ShowUser(2005);
    slot.path.clear();
    return false;
  }
  slot.size = std::max<std::int64_t>(0, platform::FileSize(slot.path));
  if (!Readable(slot.path)) {
    m_pCtrl->ShowMessage(1012, ui::BoxIcon::Stop, {slot.path, platform::LastError()});
    slot.path.clear();
    slot.size = 0;
    return false;
  }
  return true;
}

void CFormDialog::OnAttach(bool browse) {
  m_bPathRejected = false;
  UpdateData(true);
  auto finish = [this] {
    UpdateData(false);
    UpdateControls();
    Invalidate(false);
    RefreshSizes();
    if (m_nRemainingKB < 0) m_pCtrl->FireOnScrollResizeInfo();
  };
  auto refuse = [this] {
    m_strAttachEdit.clear();
    m_strLastAttachPath.clear();
    m_bPathRejected = true;
  };
  if (browse) {
    ui::FileDialogRequest request;
    request.filter = kAttachFilter;
    request.defaultExtension = kAttachExtension;
    request.initialFolder = FolderOfPath(m_strAttachEdit.empty() ? m_strLastAttachPath : m_strAttachEdit);
    request.flags = ui::kHideReadOnly | ui::kNoChangeDir | ui::kFileMustExist;
    std::string chosen;
    if (!ui::CurrentServices().ChooseFile(request, this, chosen)) return finish();
    m_strAttachEdit = m_strLastAttachPath = chosen;
  }
  const std::string path = m_strAttachEdit;
  if (path.empty()) {
    if (!browse) ShowUser(2007);
    return finish();
  }
  if (!platform::IsFile(path)) {
    ShowUser(2005);
    refuse();
    return finish();
  }
  if (!Readable(path)) {
    m_pCtrl->ShowMessage(1012, ui::BoxIcon::Stop, {path, platform::LastError()});
    refuse();
    return finish();
  }
  if (path.size() > kMaxPathBytes) {
    controls::ShowTextMessage(StringTable(), kPathTooLongText, ui::BoxIcon::Exclamation);
    m_strAttachEdit = CutPath(path);
    m_bPathRejected = true;
    return finish();
  }
  const std::string name = FileNameOfPath(path);
  if (!m_slots[0].path.empty() && !m_slots[1].path.empty()) {
    ShowUser(2006);
    return finish();
  }
  if (NameTaken(name, -1)) {
    ShowUser(2004, name);
    return finish();
  }
  const int k = m_slots[0].path.empty() ? 0 : 1;
  m_slots[k].path = path;
  if (!AcceptAttachment(k)) return finish();
  m_slots[k].displayName = name;
  m_slots[k].info = kAddedFileText;
  HandSlotToControl(k);
  Inform(kAttachedText[k]);
  FocusItem(kSlotDownloads[0]);
  finish();  // last: its resize event may make the host end the control
}

void CFormDialog::HandSlotToControl(int k) {
  const AttachmentSlot& slot = m_slots[k];
  if (slot.path.empty()) {
    m_pCtrl->SetEstimateFileEntry("", "", k);
  } else if (slot.IsAdded()) {
    m_pCtrl->SetEstimateFileEntry(slot.path, kAddedFileText, k);
  } else if (k == 0) {
    // A registered file moved up from the second slot: the control's first entry becomes its second.
    m_pCtrl->SetEstimateFileEntry(slot.path, kRegisteredImageText, 0);
  }
}

void CFormDialog::OnRemoveAttachments() {
  if (m_slots[0].path.empty() && m_slots[1].path.empty()) {
    ShowUser(2023);
    return;
  }
  if (Ask(kAskRemoveAttachments) != ui::BoxAnswer::Ok) return;
  UpdateData(true);
  for (int k = 0; k < kAttachmentSlots; ++k) {
    AttachmentSlot& slot = m_slots[k];
    if (slot.path.empty() || !slot.checked) continue;
    if (!slot.IsAdded()) m_bDeleted = true;
    slot.path.clear();
    slot.displayName.clear();
    slot.info.clear();
    slot.checked = false;
    slot.size = 0;
    HandSlotToControl(k);
  }
  if (m_slots[0].path.empty() && !m_slots[1].path.empty()) {
    AttachmentSlot& first = m_slots[0];
    AttachmentSlot& second = m_slots[1];
    first.path = std::move(second.path);
    first.displayName = std::move(second.displayName);
    first.info = std::move(second.info);
    first.size = second.size;
    first.checked = false;
    // A registered file keeps the server's number of its slot.
    first.downloadNumber = second.downloadNumber;
    second = AttachmentSlot{{}, {}, {}, 0, false, second.downloadNumber};
    HandSlotToControl(0);
    HandSlotToControl(1);
  }
  UpdateData(false);
  UpdateControls();
  Invalidate(false);
}

// ---- the image dialog ----

void CFormDialog::OpenImageDialog(int mode, int index) {
  CImageDialog::Record record;
  CImageBuffer* thumbnail = nullptr;
  std::string folder;
  bool staged = false;
  if (mode == 0) {
    FileEntry* e = m_folderPage.At(index);
    if (!e) return;
    // The control keeps the folder only when it stands.
    m_pCtrl->SetImageFolder(m_strImageFolder);
    record = {e->fileName, e->lastWriteKey, &e->size, false};
    thumbnail = m_folderImages[index].get();
    folder = m_pCtrl->GetImageFolder();
  } else {
    FileEntry* e = m_regList.At(index);
    if (!e) return;
    e->editable = mode == 1 ? 1 : 0;
    record = {e->fileName, e->lastWriteKey, &e->size, mode == 1};
    thumbnail = m_regImages[index].get();
    folder = m_pCtrl->GetSystemFolder();
    staged = true;
  }
  CImageDialog dialog(*m_pCtrl, &record, thumbnail, folder, staged, m_pCtrl->GetAutoResizeWidth(),
                      m_pCtrl->GetAutoResizeHeight());
  if (dialog.DoModal() == 1) {
    RefreshSizes();
    RepaintRows();
    UpdateControls();
    Invalidate(false);
  }
}

void CFormDialog::OnBatchResize() {
  if (m_regList.Count() == 0) {
    ShowUser(2009);
    return;
  }
  if (Ask(kAskBatchResize) != ui::BoxAnswer::Ok) return;
  int changed = 0;
  std::string numbers;
  int row = 0;
  for (FileEntry* e = m_regList.Head(); e; e = e->next.get(), ++row) {
    if (!e->added) continue;
    e->editable = 1;
    CImageDialog::Record record{e->fileName, e->lastWriteKey, &e->size, true};
    CImageDialog dialog(*m_pCtrl, &record, row < kRegistrationRows ? m_regImages[row].get() : nullptr,
                        m_pCtrl->GetSystemFolder(), true, m_pCtrl->GetAutoResizeWidth(),
                        m_pCtrl->GetAutoResizeHeight());
    if (dialog.SetUpForBatch() != 0) continue;
    if (dialog.ApplyRecommendedSize() == 1) {
      ++changed;
      numbers += std::to_string(row + 1) + kNumberSeparator;
    }
  }
  if (changed == 0) {
    ShowUser(2021);
    return;
  }
  numbers.resize(numbers.size() - std::strlen(kNumberSeparator));
  Inform(std::to_string(changed) + kBatchResizeDone + numbers);
  RefreshSizes();
  RepaintRows();
  UpdateControls();
  Invalidate(false);
}

// ---- the check before a registration ----

int CFormDialog::PreRegistrationCheck(const std::string& stagingFolder) {
  if (const int result = CheckBeforeRegistration(stagingFolder); result < 1) return result;
  UploadSet set;
  if (const int result = CollectUploadPhotos(stagingFolder, set); result < 1) return result;
  if (const int result = CollectUploadAttachments(set); result < 1) return result;
  HandOverUploadSet(std::move(set));
  return 1;
}

int CFormDialog::CheckBeforeRegistration(const std::string& stagingFolder) {
  UpdateData(true);
  RefreshSizes();
  if (m_pCtrl->GetMaxByte() < m_nTotalKB) {
    ShowUser(kMessageUploadTooLarge);
    if (m_nRemainingKB < 0) m_pCtrl->FireOnScrollResizeInfo();
    return -1;
  }
  if (m_strComment.find('\t') != std::string::npos) {
    ShowUser(kMessageTabInComment);
    return -1;
  }
  m_nMaxCommentByte = m_pCtrl->GetMaxCommentByte();
  if (static_cast<long long>(m_strComment.size()) > m_nMaxCommentByte) {
    ShowUser(kMessageCommentTooLong);
    return -1;
  }
  if (!platform::IsFolder(stagingFolder)) {
    ShowStop(kMessageNoSystemFolder, stagingFolder);
    return -1;
  }
  m_bAdded = std::any_of(m_strRowState.begin(), m_strRowState.end(),
                         [](const std::string& state) { return state == kAddedFileText; }) ||
             std::any_of(m_slots.begin(), m_slots.end(), [](const AttachmentSlot& s) { return s.IsAdded(); });
  if (m_pCtrl->GetUPLOAD_CHECK() != "0") {
    const bool unchanged = !m_bAdded && !m_bDeleted;
    if (unchanged && (m_strNewItem == "1" || m_strComment == m_strCommentAsLoaded)) {
      ShowUser(kMessageNothingChanged);
      return -1;
    }
  }
  return 1;
}

int CFormDialog::CollectUploadPhotos(const std::string& stagingFolder, UploadSet& set) {
  std::string staging = stagingFolder;
  if (staging.empty() || staging.back() != platform::kDelimiter) staging += platform::kDelimiter;
  for (const FileEntry* e = m_regList.Head(); e; e = e->next.get()) {
    UploadPhotoRow row;
    row.path = staging + e->fileName;
    row.registered = e->group == kRegisteredImageText;
    row.serverName = e->fileName;
    if (row.registered) {
      for (const RegisteredSlot& slot : m_registered) {
        if (!slot.serverName.empty() && slot.localName == e->fileName) {
          row.serverName = slot.serverName;
          break;
        }
      }
    } else {
      int width = 0, height = 0, components = 0, fileWidth = 0, fileHeight = 0;
      if (!ReadJpegFileScaled(row.path, 1, width, height, components, fileWidth, fileHeight)) {
        ShowStop(kMessageStagedImageMissing, row.path);
        return -1;
      }
      row.width = fileWidth;
      row.height = fileHeight;
    }
    row.fileTime = e->lastWriteKey;
    row.entryTime = e->entryKey;
    set.photos.push_back(std::move(row));
  }
  return 1;
}

int CFormDialog::CollectUploadAttachments(UploadSet& set) {
  for (int k = 0; k < kAttachmentSlots; ++k) {
    const AttachmentSlot& slot = m_slots[k];
    if (slot.path.empty() || !slot.IsAdded()) continue;
    const std::string number = std::to_string(k + 1);
    if (!platform::IsFile(slot.path)) {
      ShowUser(kMessageAttachmentMissing, number);
      return 0;
    }
    // A device or FIFO has no size (-1): it is no file to register, and reading it would never end.
    if (platform::FileSize(slot.path) <= 0) {
      ShowUser(kMessageAttachmentEmpty, number);
      return 0;
    }
    platform::FileTime creation, lastWrite;
    if (!platform::GetFileTimes(slot.path, &creation, &lastWrite)) {
      // The entry cannot be read: said, rather than a registration that silently does not start.
      m_pCtrl->ShowMessage(kMessageFileReadFailed, ui::BoxIcon::Stop, {slot.path, platform::LastError()});
      return -1;
    }
    set.addedFileTimes[k] = TimeKeyOf(lastWrite);
    set.estimateFiles.push_back(slot.path);
  }
  return 1;
}

void CFormDialog::HandOverUploadSet(UploadSet set) {
  m_pCtrl->SetImageFolder(m_strImageFolder);
  set.imageFolder = m_pCtrl->GetImageFolder();
  set.added = m_bAdded;
  set.deleted = m_bDeleted;
  set.comment = m_strComment;
  m_pCtrl->SetAddList(AddedFlag());
  m_pCtrl->SetDeleteList(DeletedFlag());
  m_pCtrl->SetDBComment(m_strComment);
  m_pCtrl->SetUploadSet(set);
  m_uploadSet = std::move(set);
}

void CFormDialog::OnRegister() {
  if (PreRegistrationCheck(StagingFolder()) < 1) return;
  if (Ask(kAskRegister) != ui::BoxAnswer::Ok) return;
  // The status event of the mode change may make the host end the control, and this form with it: the control
  // is kept for the two calls and nothing of the form is used after the first.
  CQuillonCtrl* ctrl = m_pCtrl;
  platform::com::ComPtr<CQuillonCtrl> keep(ctrl);
  ctrl->ShowMode(2);
  if (ctrl->IsCreated()) ctrl->StartRegistration();
}

}  // namespace quillon
