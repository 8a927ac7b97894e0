// The photo-list form's life: initialisation, the start-up with its working folders and the downloads of the
// registered files, the unpacking of the host's estimate file, the attachment download buttons, and the
// removal of the working folders when the window goes.
#include <cstring>

#include "CFormDialog.h"
#include "CQuillonCtrl.h"
#include "ControlMessage.h"
#include "DownloadRequest.h"
#include "FormIds.h"
#include "OvSvInfoBinding.h"
#include "QuillonStrings.h"
#include "RegisteredDownload.h"
#include "WorkingFolders.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/ui/services.h"
#include "platform/web/http_get.h"

namespace quillon {

namespace com = platform::com;
namespace ui = platform::ui;
using namespace form_ids;

namespace {

constexpr const char* kPastFoldersHead = "過去選択したフォルダはこちら";
constexpr const char* kOverwriteQuestion =
    "同一ファイル名のゼントロ見積ファイルが登録されています。\n上書きしますか？";
constexpr const char* kSaveFilter = "すべてのファイル (*.*)|*.*|";
constexpr const char* kSameFileText = "コピー元とコピー先が同じファイルです。";

// The form and its window are this large, far beyond any page.
constexpr int kFormWidth = 8000;
constexpr int kFormHeight = 18500;

std::string WithoutOneDelimiter(std::string folder) {
  if (folder.size() > 1 && folder.back() == platform::kDelimiter) folder.pop_back();
  return folder;
}

// The slot holds a file of that name (its own name or the name it is shown by).
bool SlotNamed(const CFormDialog::AttachmentSlot& slot, const std::string& name) {
  return !slot.path.empty() && (platform::EqualsNoCaseAscii(FileNameOfPath(slot.path), name) ||
                                platform::EqualsNoCaseAscii(slot.displayName, name));
}


}  // namespace

bool CFormDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  m_bInitialising = true;
  CreateFonts();
  Move(ui::RectAt(0, 0, kFormWidth, kFormHeight));
  CacheRectangles();
  SetLabelFonts();
  ShowItem(kBrowser, false);
  m_browser.Create(ui::kHidden, ItemRect(kBrowser), *this, kBrowser);
  Startup();
  UpdateData(false);
  UpdateControls();
  return true;
}

// ---- start-up ----

void CFormDialog::Startup() {
  CQuillonCtrl& c = *m_pCtrl;
  m_strImageFolder = c.GetImageFolder();
  m_strSystemFolder = c.GetSystemFolder();
  m_strTorvaneFileName = c.GetTorvaneFileName();
  m_strTorvaneFileName2 = c.GetTorvaneFileName2();
  m_strNewItem = c.GetNewItem();
  m_strImageServerURL = c.GetImageServerURL();
  m_nUploadColorChangeTime = c.GetUploadColorChangeTime();
  for (int n = 0; n < kRegisteredSlots; ++n) {
    RegisteredSlot& slot = m_registered[n];
    slot.serverName = c.GetParamString(0, n);
    slot.localName = c.GetParamString(5, n);
    slot.fileTime = c.GetParamString(4, n);
    slot.entryTime = c.GetParamString(8, n);
    slot.size = c.GetFileSize("IMAGE", n);
    slot.flag = 0;
    slot.downloadFailed = false;
  }
  for (int n = 0; n < kHistoryCount; ++n) m_strImageHistory[n] = c.GetParamString(1, n);

  m_strImageFolder = AppendBackslash(m_strImageFolder);
  m_strFolder = m_strImageFolder;
  m_strComment = m_strCommentAsLoaded = c.GetDBComment();
  m_strBtnName = c.GetBtnName();

  // Registered attachments: the server's name, its print name and the registration time as the caption.
  for (int k = 0; k < kAttachmentSlots; ++k) {
    AttachmentSlot& slot = m_slots[k];
    const std::string name = c.GetParamString(2, k);
    if (name.empty()) continue;
    const std::string prtName = c.GetParamString(6, k);
    if (!IsSafeLocalName(name) || (!prtName.empty() && !IsSafeLocalName(prtName))) {
      ShowStop(1008, name);
      continue;
    }
    slot.path = name;
    slot.displayName = prtName.empty() ? name : prtName;
    const std::string entryTime = c.GetParamString(7, k);
    slot.info = entryTime.empty() ? std::string() : "(" + KeyDisplayText(entryTime) + ")";
    slot.size = c.GetFileSize("FILE", k);
  }

  ComboReset(kPastFolders);
  ComboAdd(kPastFolders, kPastFoldersHead);
  for (const std::string& past : m_strImageHistory) {
    if (!past.empty()) ComboAdd(kPastFolders, past);
  }
  ComboSelect(kPastFolders, 0);
  ComboSelect(kSortOrder, m_strTorvaneFileName.empty() && m_strTorvaneFileName2.empty() ? kOldestFirst
                                                                                        : kNameAscending);

  if (!PrepareSystemFolder() || !PrepareWorkingFolders()) {
    m_pCtrl->SetFuncID(5);
    return;
  }

  platform::web::HttpSession session;
  DownloadRegisteredFiles(session);

  if (!m_strTorvaneFileName.empty()) {
    UnpackEstimate(m_strTorvaneFileName);
  } else if (!m_strTorvaneFileName2.empty()) {
    UnpackEstimate(m_strTorvaneFileName2);
  }

  m_strPageNumber = m_strPageCount = "0";
  m_nFolderFirst = 0;
  BuildFolderList();
  ResetRegistrationList();
  BuildRegisteredImageList();
}

bool CFormDialog::PrepareSystemFolder() {
  if (m_strSystemFolder.empty() || !platform::IsAbsolute(m_strSystemFolder)) {
    ShowStop(1001, m_strSystemFolder);
    return false;
  }
  std::string folder = WithoutOneDelimiter(m_strSystemFolder);
  if (!MakeFolderWithAncestors(folder)) {
    ShowStop(1001, folder);
    return false;
  }
  m_strSystemFolder = AppendBackslash(folder);
  // A second live form of this user would empty the first one's folders.
  bool heldByAnother = false;
  m_pFolderHold = SystemFolderHold::Take(m_strSystemFolder, &heldByAnother);
  if (!m_pFolderHold) {
    ShowStop(heldByAnother ? kMessageFormOpenElsewhere : 1001, folder);
    return false;
  }
  return true;
}

bool CFormDialog::PrepareWorkingFolders() {
  const std::string download = m_strSystemFolder + kDownloadFolderName;
  std::vector<std::string> folders = {m_strSystemFolder + kUploadFolderName, download};
  for (int n = 1; n <= kRegisteredSlots; ++n) folders.push_back(download + platform::kDelimiter + std::to_string(n));
  for (std::size_t i = 0; i < folders.size(); ++i) {
    const std::string& folder = folders[i];
    if (!platform::IsFolder(folder)) platform::MakeFolder(folder);
    if (!platform::IsFolder(folder)) {
      ShowStop(1001, folder);
      return false;
    }
    if (!DeleteFolderFiles(folder)) {
      ShowStop(1009, folder);
      return false;
    }
    if (i >= 2) m_registered[i - 2].downloadFolder = folder + platform::kDelimiter;
  }
  return true;
}

void CFormDialog::DownloadRegisteredFiles(platform::web::HttpSession& session) {
  // The downloads block the page: once the server has kept silent for a whole time limit, the files after
  // are not waited for again (each is announced and left empty, as a failed one is).
  bool serverSilent = false;
  for (RegisteredSlot& slot : m_registered) {
    if (slot.serverName.empty()) break;
    slot.downloadFailed = true;
    // Both names come from the page: neither may lead out of the slot's folder.
    if (!IsSafeLocalName(slot.localName) || !IsSafeLocalName(slot.serverName)) {
      ShowStop(1008, slot.localName);
      continue;
    }
    const std::string local = slot.downloadFolder + slot.localName;
    DownloadResult result = DownloadResult::TimedOut;
    if (serverSilent) {
      platform::WriteFile(local, "", 0);
    } else {
      result = DownloadRegisteredFile(session, m_strImageServerURL + slot.serverName, local);
    }
    if (result == DownloadResult::TimedOut) serverSilent = true;
    slot.downloadFailed = result != DownloadResult::Stored;
    if (slot.downloadFailed) ShowStop(1008, slot.localName);
  }
}

// ---- the host's estimate file ----

int CFormDialog::PrepareEstimateFolder() {
  const std::string folder = m_strSystemFolder + kEstimateFolderName;
  if (!platform::IsFolder(folder)) platform::MakeFolder(folder);
  if (!platform::IsFolder(folder)) {
    ShowStop(1001, folder);
    return -1;
  }
  if (!DeleteFolderFiles(folder)) {
    ShowStop(1009, folder);
    m_pCtrl->SetFuncID(5);
    // Past the start-up the mode of the start is taken already: the failure shows itself.
    if (!m_bInitialising) m_pCtrl->ShowFatalError(controls::FormatMessageText(LoadString(1009), {folder}));
    return -1;
  }
  return 0;
}

int CFormDialog::UnpackEstimate(const std::string& estimateFile) {
  m_strEstimateToUnpack = estimateFile;
  if (PrepareEstimateFolder() != 0) return -1;
  COvSvInfoBinding binding;
  binding.SetSearch(1);
  if (binding.UnpackEstimate(m_strSystemFolder + kEstimateFolderName, estimateFile) != 0) {
    m_strImageFolder = EstimateFolder();
    m_strFolder = m_strImageFolder;
    m_nFolderFirst = 0;
    BuildFolderList();
    return -1;
  }
  m_strImageFolder = binding.TargetFolder();
  m_strFolder = m_strImageFolder;
  m_nFolderFirst = 0;
  BuildFolderList();
  if (!binding.EstimateFile().empty()) PlaceEstimateCandidate(binding.EstimateFile());
  UpdateData(false);
  UpdateControls();
  return 0;
}

void CFormDialog::PlaceEstimateCandidate(const std::string& candidate) {
  const std::string name = FileNameOfPath(candidate);
  // A file attached here that is gone no longer holds its slot; registered ones name the server's files.
  for (int k = 0; k < kAttachmentSlots; ++k) {
    AttachmentSlot& slot = m_slots[k];
    if (!slot.path.empty() && slot.IsAdded() && !platform::IsFile(slot.path)) {
      slot = AttachmentSlot{{}, {}, {}, 0, false, slot.downloadNumber};
      HandSlotToControl(k);
    }
  }
  for (int k = 0; k < kAttachmentSlots; ++k) {
    AttachmentSlot& slot = m_slots[k];
    if (!SlotNamed(slot, name)) continue;
    if (m_bInitialising) {
      // The question waits for the form to be shown: its first painting unpacks again and asks then.
      m_bUnpackAgain = true;
      return;
    }
    if (controls::ShowTextMessage(StringTable(), kOverwriteQuestion, ui::BoxIcon::Question, ui::BoxButtons::YesNo) ==
        ui::BoxAnswer::Yes) {
      if (!slot.IsAdded()) m_bDeleted = true;
      slot = AttachmentSlot{{}, {}, {}, 0, false, slot.downloadNumber};
      HandSlotToControl(k);
    }
  }
  for (int k = 0; k < kAttachmentSlots; ++k) {
    const AttachmentSlot& other = m_slots[1 - k];
    if (!m_slots[k].path.empty()) continue;
    if (SlotNamed(other, name)) continue;
    m_slots[k].path = candidate;
    if (AcceptAttachment(k)) {
      m_slots[k].displayName = name;
      m_slots[k].info = kAddedFileText;
      HandSlotToControl(k);
    }
    return;
  }
}

// ---- attachment downloads ----

void CFormDialog::OnDownloadButton(int k) {
  const std::string number = std::to_string(k + 1);
  AttachmentSlot& slot = m_slots[k];
  if (slot.path.empty()) {
    ShowUser(2011, number);
    return;
  }
  if (!slot.IsAdded()) {
    std::vector<std::uint8_t> body;
    if (!BuildDownloadRequest("&", slot.downloadNumber, body)) ShowUser(2011, number);
    for (int j = 0; j < kAttachmentSlots; ++j) {
      if (!m_slots[j].path.empty()) EnableItem(kSlotDownloads[j], false);
    }
    m_nNavigationStatus = 0;
    m_browser.Navigate2(com::Variant::Text(m_pCtrl->GetServerURL()), com::Variant::I4(0), com::Variant::Text(""),
                        com::Variant::Bytes(std::move(body)), com::Variant::Text(kDownloadRequestHeaders));
    SetTimer(1, 3000);
    return;
  }
  ui::FileDialogRequest request;
  request.save = true;
  request.filter = kSaveFilter;
  request.defaultExtension = "*.*";
  request.fileName = FileNameOfPath(slot.path);
  request.initialFolder = FolderOfPath(slot.path);
  request.flags = ui::kOverwritePrompt | ui::kNoChangeDir | ui::kFileMustExist;
  std::string target;
  if (!ui::CurrentServices().ChooseFile(request, this, target)) return;
  if (platform::SameFile(slot.path, target)) {
    controls::ShowTextMessage(StringTable(), kSameFileText, ui::BoxIcon::Exclamation);
    return;
  }
  if (!platform::CopyFile(slot.path, target, false)) {
    std::string text;
    platform::Utf8ToCp932(std::strerror(platform::LastError()), text);
    controls::ShowTextMessage(StringTable(), text, ui::BoxIcon::Exclamation);
  }
}

bool CFormDialog::BuildDownloadRequest(const std::string& separator, const std::string& fileNumber,
                                       std::vector<std::uint8_t>& postData) const {
  DownloadRequestFields fields{m_pCtrl->GetCGI_ID(), m_pCtrl->GetSES_ID(), m_pCtrl->GetMAP_ID(),
                               m_pCtrl->GetBTN_ID2(), fileNumber};
  postData = BuildDownloadRequestBody(separator, fields);
  return !postData.empty();
}

// ---- the end ----

void CFormDialog::RemoveWorkingFolders() {
  if (m_strSystemFolder.empty() || !m_pFolderHold) return;
  const std::string download = m_strSystemFolder + kDownloadFolderName;
  RemoveFolderTree(m_strSystemFolder + kUploadFolderName);
  for (int n = 1; n <= kRegisteredSlots; ++n) RemoveFolderTree(download + platform::kDelimiter + std::to_string(n));
  RemoveFolderTree(download);
  const std::string estimate = m_strSystemFolder + kEstimateFolderName;
  if (platform::IsFolder(estimate)) RemoveFolderTree(estimate);
}

void CFormDialog::OnDestroy() {
  *m_alive = false;
  KillTimer(1);
  KillTimer(2);
  // Only the form that holds the folders removes them: a refused second form leaves the first one's alone.
  RemoveWorkingFolders();
  m_pFolderHold.reset();
  m_folderPage.RemoveAll();
  m_regList.RemoveAll();
  m_registeredList.RemoveAll();
  m_droppedList.RemoveAll();
  for (auto& image : m_folderImages) image.reset();
  for (auto* images : {&m_regImages, &m_registeredImages, &m_droppedImages}) {
    for (auto& image : *images) image.reset();
  }
  Dialog::OnDestroy();
}

}  // namespace quillon
