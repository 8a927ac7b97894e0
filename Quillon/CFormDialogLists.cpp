// The photo-list form's lists, pages and thumbnails: the folder list and its pages, the registered images, the
// dropped photos, cell clicks, the folder box and its buttons, the sort order, and the painting.
#include <new>

#include "CBrowseFolderDlg.h"
#include "CFormDialog.h"
#include "CQuillonCtrl.h"
#include "ControlMessage.h"
#include "FormIds.h"
#include "QuillonStrings.h"
#include "WorkingFolders.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"

namespace quillon {

namespace ui = platform::ui;
using namespace form_ids;

namespace {

constexpr const char* kChooseFolderTitle = "画像フォルダを選択してください。";
// A dropped path longer than this is not taken whole by the drop.
constexpr std::size_t kMaxDropPathBytes = 512;
// A path of this length or longer is refused (message 1003).
constexpr std::size_t kRefusedPathBytes = 257;

constexpr ui::Colour kWhite = ui::Rgb(255, 255, 255);
constexpr ui::Colour kCornsilk = ui::Rgb(255, 248, 220);
constexpr ui::Colour kLavender = ui::Rgb(230, 230, 250);
constexpr ui::Colour kPaleGreen = ui::Rgb(224, 238, 224);
constexpr ui::Colour kFrameGray = ui::Rgb(212, 208, 200);

// The wait cursor for the life of the object.
class WaitCursor {
 public:
  WaitCursor() { ui::BeginWaitCursor(); }
  ~WaitCursor() { ui::EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

ui::Rect Inflate(const ui::Rect& r, int by) { return ui::Rect{r.left - by, r.top - by, r.right + by, r.bottom + by}; }

void DrawImage(ui::Painter& painter, const CImageBuffer& image, const ui::Rect& frame) {
  if (image.Format() != kFormatBitmap || !image.Pixels()) return;
  ui::Rect fit = FitThumbnail(image.Width(), image.Height(), frame.Width(), frame.Height());
  if (fit.Width() <= 0) return;
  ui::BitmapInfoHeader header;
  const BitmapInfoHeader& h = image.Header().bmiHeader;
  header.width = h.biWidth;
  header.height = h.biHeight;
  header.sizeImage = h.biSizeImage;
  painter.StretchBitmap(ui::RectAt(frame.left + fit.left, frame.top + fit.top, fit.Width(), fit.Height()), header,
                        image.Pixels());
}

}  // namespace

// ---- the folder list ----

int CFormDialog::BuildFolderList() {
  WaitCursor wait;
  if (m_nFolderFirst == -1) m_nFolderFirst = 0;
  m_bListingConfirmed = false;
  m_strFileCount = m_strPageNumber = m_strPageCount = "0";
  if (!ResetFolderPage()) return 0;
  m_folderPaths.clear();
  if (m_strImageFolder.empty()) return 1;
  if (m_strImageFolder.size() > kMaxPathBytes) {
    controls::ShowTextMessage(StringTable(), kPathTooLongText, ui::BoxIcon::Exclamation);
    m_strImageFolder = CutPath(m_strImageFolder);
    return 0;
  }

  std::vector<FolderFile> files;
  std::vector<platform::FindEntry> found;
  platform::FindFiles(m_strImageFolder + "*.jpg", found);
  const int maximum = m_pCtrl->GetMaxViewFileNum();
  int count = 0;
  for (const platform::FindEntry& e : found) {
    if (e.isFolder) continue;
    const std::string path = m_strImageFolder + e.name;
    if (path.size() >= kRefusedPathBytes || StagingPathOf(e.name).size() >= kRefusedPathBytes) {
      ShowStop(1003, path);
      continue;
    }
    ++count;
    files.push_back({path, e.lastWrite});
    if (count > maximum && !m_bListingConfirmed && m_strResort == "0") {
      bool refused = true;
      if (m_bInitialising) {
        // The question waits for the form to be shown: its first painting builds the list again.
        m_bRebuildFolderList = true;
      } else if (m_pCtrl->ShowMessage(2024, ui::BoxIcon::Exclamation, {}, ui::BoxButtons::YesNo, 1) ==
                 ui::BoxAnswer::Yes) {
        m_bListingConfirmed = true;
        refused = false;
      }
      if (refused) {
        count = 0;
        files.clear();
        break;
      }
    }
  }
  if (count > 0) {
    SortFolderFiles(files, ComboSelection(kSortOrder));
    m_folderPaths.reserve(files.size());
    for (FolderFile& f : files) m_folderPaths.push_back(std::move(f.path));
    BuildFolderPage();
  }
  return 1;
}

void CFormDialog::BuildFolderPage() {
  // The decoded thumbnails of files that stay on the page move with them instead of being read again.
  std::array<std::unique_ptr<CImageBuffer>, kFolderCells> kept;
  std::array<std::string, kFolderCells> keptPaths;
  std::array<bool, kFolderCells> keptLoaded{};
  for (int c = 0; c < kFolderCells; ++c) {
    if (const FileEntry* e = m_folderPage.At(c)) {
      keptPaths[c] = e->fullPath;
      keptLoaded[c] = e->imageLoaded;
      kept[c] = std::move(m_folderImages[c]);
    }
  }
  if (!ResetFolderPage()) return;
  const int total = static_cast<int>(m_folderPaths.size());
  if (total > 0) {
    m_strFileCount = std::to_string(total);
    m_strPageCount = std::to_string((total + kFolderCells - 1) / kFolderCells);
    m_strPageNumber = std::to_string(m_nFolderFirst / kFolderCells + 1);
  }
  for (int i = m_nFolderFirst; i >= 0 && i < total && i < m_nFolderFirst + kFolderCells; ++i) {
    FoundFile file;
    FileEntry* e = FindFile(m_folderPaths[i], file) ? m_folderPage.AddFound(file, 1, 0)
                                                    : m_folderPage.AddPath(m_folderPaths[i]);
    if (!e) return;
    for (const FileEntry* r = m_regList.Head(); r; r = r->next.get()) {
      if (r->fileName == e->fileName) e->mark = 1;
    }
  }
  for (int c = 0; c < kFolderCells; ++c) {
    FileEntry* e = m_folderPage.At(c);
    int from = -1;
    for (int k = 0; e && k < kFolderCells; ++k) {
      if (kept[k] && keptPaths[k] == e->fullPath) from = k;
    }
    if (from >= 0) {
      m_folderImages[c] = std::move(kept[from]);
      e->imageLoaded = keptLoaded[from];
      SetItemText(kCellNames[c], DoubleAmpersands(e->fileName));
    } else {
      FillThumbnail(c);
    }
  }
}

void CFormDialog::PageBack() {
  if (m_nFolderFirst <= 0) return;
  m_nFolderFirst = std::max(0, m_nFolderFirst - kFolderCells);
  BuildFolderPage();
  UpdateData(false);
  UpdateControls();
  InvalidateRect(m_rcFolderFrame, false);
}

void CFormDialog::PageForward() {
  const int total = static_cast<int>(m_folderPaths.size());
  if (m_nFolderFirst < 0 || total - m_nFolderFirst - kFolderCells <= 0) return;
  m_nFolderFirst += kFolderCells;
  BuildFolderPage();
  UpdateData(false);
  UpdateControls();
  InvalidateRect(m_rcFolderFrame, false);
}

// ---- the registered images ----

int CFormDialog::BuildRegisteredImageList() {
  WaitCursor wait;
  m_nRegisteredSelected = -1;
  m_registeredListSlots.clear();
  if (!ResetDownloadedList(m_registeredList, m_registeredImages)) return 0;
  if (m_registered[0].downloadFolder.empty()) return 1;
  for (int n = 0; n < kRegisteredSlots; ++n) {
    const std::string& folder = m_registered[n].downloadFolder;
    if (folder.empty()) continue;
    std::vector<platform::FindEntry> found;
    if (!platform::FindFiles(folder + "*.jpg", found)) continue;
    for (const platform::FindEntry& e : found) {
      if (e.isFolder) continue;
      if (e.name.size() >= kRefusedPathBytes) {
        ShowStop(1003, e.name);
        continue;
      }
      FoundFile file;
      if (!FindFile(folder + e.name, file)) continue;
      // Each file takes the size and the times of the slot whose folder it lies in.
      if (!m_registeredList.AddFound(file, 2, m_registered[n].size)) return 0;
      m_registeredListSlots.push_back(n);
    }
  }
  if (m_registeredList.Count() > 0) {
    m_nRegisteredSelected = 0;
    for (int k = 0; k < m_registeredList.Count(); ++k) {
      FileEntry* e = m_registeredList.At(k);
      const RegisteredSlot& slot = m_registered[m_registeredListSlots[k]];
      e->lastWriteKey = slot.fileTime;
      e->entryKey = slot.entryTime;
      e->group = kRegisteredImageText;
      // The empty file of a failed download keeps the photo's row, and is not read as a photo: its failure
      // was told once.
      if (slot.downloadFailed) e->present = 0;
      AddPhotoToRegistration(k, kFromRegisteredList);
    }
  }
  UpdateData(false);
  UpdateControls();
  return 1;
}

// ---- dropped photos ----

int CFormDialog::AddDroppedPhotos(const std::vector<std::string>& paths) {
  WaitCursor wait;
  if (!ResetDownloadedList(m_droppedList, m_droppedImages)) return 0;
  m_strDroppedPath.fill({});
  m_strDroppedFolder.fill({});
  for (const std::string& path : paths) {
    FoundFile file;
    if (!FindFile(path, file)) continue;
    const std::string name = FileNameOfPath(path);
    if (path.size() >= kRefusedPathBytes || StagingPathOf(name).size() >= kRefusedPathBytes) {
      ShowStop(1003, path);
      continue;
    }
    if (!m_droppedList.AddFound(file, 1, 0)) return 0;
  }
  for (int k = 0; k < m_droppedList.Count() && k < kRegistrationRows; ++k) {
    const FileEntry* e = m_droppedList.At(k);
    m_strDroppedPath[k] = e->fullPath;
    std::size_t slash = platform::FindLastChar(e->fullPath, platform::kDelimiter);
    m_strDroppedFolder[k] = slash == std::string::npos ? std::string() : e->fullPath.substr(0, slash);
    AddPhotoToRegistration(k, kFromDroppedList);
  }
  for (FileEntry* e = m_folderPage.Head(); e; e = e->next.get()) {
    if (m_regList.FindPath(e->fullPath)) e->mark = 1;
  }
  UpdateData(false);
  UpdateControls();
  return 1;
}

void CFormDialog::OnDropFiles(const std::vector<std::string>& paths) {
  const int n = static_cast<int>(paths.size());
  if (n + m_regList.Count() >= kRegistrationRows + 1) {
    m_pCtrl->ShowMessage(2003, ui::BoxIcon::Exclamation, {kRegistrationRows});
    return;
  }
  std::vector<std::string> photos;
  for (const std::string& path : paths) {
    if (path.size() > kMaxDropPathBytes) {
      ShowStop(1003, path);
      continue;
    }
    std::size_t dot = platform::FindLastChar(path, '.');
    std::string extension = dot == std::string::npos ? std::string() : path.substr(dot);
    if (!platform::EqualsNoCaseAscii(extension, ".jpg")) {
      ShowUser(2012, path);
      continue;
    }
    photos.push_back(path);
  }
  if (!photos.empty()) AddDroppedPhotos(photos);
  Invalidate(false);
}

// ---- cells ----

void CFormDialog::OnLButtonDown(int x, int y) {
  if (m_folderPaths.empty()) return;
  for (int c = 0; c < kFolderCells; ++c) {
    const ui::Rect& r = m_rcCells[c];
    if (r.left < x && x < r.right && r.top < y && y < r.bottom) {
      OnCellClick(c);
      return;
    }
  }
}

void CFormDialog::OnCellClick(int cell) {
  FileEntry* e = m_folderPage.At(cell);
  if (!e) return;
  if (e->mark) {
    int row = -1;
    if (m_regList.FindPath(e->fullPath, &row) && RemoveRegistrationRow(row) == 1) e->mark = 0;
  } else if (AddPhotoToRegistration(cell, kFromFolderPage) != 1) {
    return;
  }
  UpdateData(false);
  UpdateControls();
  InvalidateItem(kCellNames[cell]);
  InvalidateRect(m_rcFolderFrame, false);
  InvalidateRect(m_rcRegistrationFrame, false);
}

// ---- the folder box ----

void CFormDialog::ShowFolder(const std::string& folder) {
  m_strImageFolder = AppendBackslash(folder);
  m_strFolder = m_strImageFolder;
  m_strPageNumber = m_strPageCount = "0";
  m_nFolderFirst = 0;
  if (BuildFolderList() == 1) {
    UpdateData(false);
    UpdateControls();
    Invalidate(false);
  }
}

void CFormDialog::OnShowFolder() {
  UpdateData(true);
  if (m_strFolder.empty()) {
    ShowUser(2001);
    return;
  }
  ShowFolder(m_strFolder);
}

void CFormDialog::OnBrowseFolder() {
  controls::CBrowseFolderDlg picker(this, 0);
  if (picker.DoModal(kChooseFolderTitle, m_strImageFolder.empty() ? nullptr : m_strImageFolder.c_str()) != 1) return;
  const std::string chosen = picker.GetFolderPath();
  m_strFolder = chosen;
  UpdateData(false);
  ShowFolder(chosen);
}

void CFormDialog::OnPastFolder() {
  const int chosen = ComboSelection(kPastFolders);
  if (chosen <= 0) return;
  const std::string folder = ComboText(kPastFolders, chosen);
  ComboSelect(kPastFolders, 0);
  m_strFolder = folder.empty() ? folder : AppendBackslash(folder);
  UpdateData(false);
  FocusItem(kFolderEdit);
  SetEditSelection(kFolderEdit, -1, -1);
  if (m_strFolder.empty()) {
    ShowUser(2001);
    return;
  }
  ShowFolder(m_strFolder);
}

void CFormDialog::OnSortOrder() {
  m_strPageNumber = m_strPageCount = "0";
  m_nFolderFirst = 0;
  m_strResort = "1";
  if (BuildFolderList() == 1) {
    m_strResort = "0";
    m_strFolder = m_strImageFolder;
    UpdateData(false);
    UpdateControls();
    FocusItem(kShowFolder);
    Invalidate(false);
  }
  m_strResort = "0";
}

// ---- painting ----

void CFormDialog::OnPaint(ui::Painter& painter) {
  painter.FillRect(m_rcFolderFrame, kLavender);
  painter.FrameRect(m_rcFolderFrame, kFrameGray);
  painter.FillRect(m_rcRegistrationFrame, kPaleGreen);
  painter.FrameRect(m_rcRegistrationFrame, kFrameGray);
  painter.FillRect(m_rcAttachmentFrame, kWhite);
  painter.FrameRect(m_rcAttachmentFrame, kFrameGray);
  for (int k = 0; k < kAttachmentSlots; ++k) {
    painter.FillRect(m_rcAttachmentRows[k], m_slots[k].IsAdded() ? kCornsilk : kWhite);
  }
  for (int c = 0; c < kFolderCells; ++c) {
    const FileEntry* e = m_folderPage.At(c);
    if (e && e->mark) painter.FillRect(Inflate(m_rcCells[c], 3), kCornsilk);
  }
  for (int r = 0; r < kRegistrationRows; ++r) {
    if (!m_regList.At(r)) continue;
    painter.FillRect(m_rcRows[r], m_strRowState[r] == kAddedFileText ? kCornsilk : kPaleGreen);
    painter.FrameRect(m_rcRows[r], kFrameGray);
  }

  if (m_nFolderFirst != -1) {
    const int shown = static_cast<int>(m_folderPaths.size()) - m_nFolderFirst;
    for (int c = 0; c < kFolderCells && c < shown; ++c) {
      const FileEntry* e = m_folderPage.At(c);
      if (e && e->imageLoaded && m_folderImages[c]) DrawImage(painter, *m_folderImages[c], m_rcCells[c]);
    }
  }
  // The rows are drawn while the list holds entries, whether or not one of them is selected.
  if (m_nRegFirst != -1) {
    for (int r = 0; r < kRegistrationRows; ++r) {
      const FileEntry* e = m_regList.At(r);
      if (e && e->imageLoaded && m_regImages[r]) DrawImage(painter, *m_regImages[r], m_rcRowPictures[r]);
    }
  }

  RefreshSizes();
  if (m_bInitialising) {
    m_bInitialising = false;
    // The work the initialisation put off may ask questions: it runs once the painting is done.
    std::weak_ptr<bool> alive = m_alive;
    ui::PostTask([this, alive] {
      std::shared_ptr<bool> standing = alive.lock();
      if (!standing || !*standing || !IsCreated()) return;
      if (m_bUnpackAgain) {
        m_bUnpackAgain = false;
        UnpackEstimate(m_strEstimateToUnpack);
        // A failure ends in the fatal display, whose status event the host may answer by ending the control.
        if (!*standing || !IsCreated()) return;
      }
      if (m_bRebuildFolderList) {
        m_bRebuildFolderList = false;
        BuildFolderList();
      }
      RefreshSizes();
      UpdateData(false);
      UpdateControls();
      InvalidateRect(m_rcFolderFrame, false);
    });
  }
  EnableItem(kBatchResize, m_regList.Count() > 0);
}

}  // namespace quillon
