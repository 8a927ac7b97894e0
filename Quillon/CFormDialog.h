// The photo-list form: dialog 201, a modeless child of the control, shown in mode 0. It shows the photographs
// of a folder fourteen to a page, the registration list of at most nine photos (registered ones from the
// server and newly added ones), two attachment slots and the image comment, and hands a checked registration
// to the control.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "CExplorer1.h"
#include "ControlEventSink.h"
#include "FileEntryList.h"
#include "FormRules.h"
#include "ImageBuffer.h"
#include "QuillonLib.h"
#include "UploadSet.h"
#include "WorkingFolders.h"
#include "platform/files.h"
#include "platform/ui/dialog.h"
#include "platform/ui/services.h"

namespace platform::web {
class HttpSession;
}  // namespace platform::web

namespace quillon {

class CQuillonCtrl;

class CFormDialog : public platform::ui::Dialog, public ControlEventSink {
 public:
  static constexpr int kFolderCells = 14;
  static constexpr int kRegistrationRows = 9;
  static constexpr int kAttachmentSlots = 2;
  static constexpr int kRegisteredSlots = 9;
  static constexpr int kHistoryCount = 5;

  // Where AddPhotoToRegistration takes a photo from.
  enum Source { kFromFolderPage = 1, kFromRegisteredList = 2, kFromDroppedList = 3 };

  // One attachment slot.
  struct AttachmentSlot {
    std::string path;         // full path of an added file, the server's name of a registered one; empty: free
    std::string displayName;  // raw (labels double its "&")
    std::string info;         // "追加ファイル" for a file attached here, else the registration time or empty
    std::int64_t size = 0;
    bool checked = false;
    std::string downloadNumber;  // what the slot's "ダウンロード" requests from the server
    bool IsAdded() const { return info == kAddedFileText; }
  };

  // One photograph the server holds for this estimate, as the host named it.
  struct RegisteredSlot {
    std::string serverName;  // DBImageFileNM
    std::string localName;   // DBImageFilePrtNM
    std::string fileTime;
    std::string entryTime;
    int size = 0;
    int flag = 0;
    std::string downloadFolder;  // with a trailing delimiter
    bool downloadFailed = false;  // its file is the empty one left in its place, announced already
  };

  explicit CFormDialog(CQuillonCtrl& ctrl);
  ~CFormDialog() override;

  // Creates the form inside the control from template 201, re-fonted for the control's screen resolution.
  bool Create();

  // Actions the other parts of the form and the tests call.
  int AddPhotoToRegistration(int index, int source);
  int PreRegistrationCheck(const std::string& stagingFolder);
  int RemoveRegistrationRow(int row);
  int PrepareEstimateFolder();
  int IsInDownloadFolder(const std::string& path) const;
  static int ClearFileAttributes(const std::string& path);
  // The body of a registered attachment's download request; false when it cannot be made.
  bool BuildDownloadRequest(const std::string& separator, const std::string& fileNumber,
                            std::vector<std::uint8_t>& postData) const;
  int BuildFolderList();
  int BuildRegisteredImageList();
  int AddDroppedPhotos(const std::vector<std::string>& paths);
  void PageBack();
  void PageForward();
  int UnpackEstimate(const std::string& estimateFile);

  // What a person and the page see, for the tests.
  const FileEntryList& FolderPage() const { return m_folderPage; }
  const FileEntryList& RegistrationList() const { return m_regList; }
  const FileEntryList& RegisteredImageList() const { return m_registeredList; }
  const std::vector<std::string>& FolderPaths() const { return m_folderPaths; }
  int FolderFirst() const { return m_nFolderFirst; }
  int RegistrationSelected() const { return m_nRegSelected; }
  int RegistrationFirst() const { return m_nRegFirst; }
  const AttachmentSlot& Slot(int k) const { return m_slots[k]; }
  const RegisteredSlot& Registered(int n) const { return m_registered[n]; }
  const std::string& RowState(int row) const { return m_strRowState[row]; }
  const std::string& PhotoFolder() const { return m_strImageFolder; }
  const std::string& SystemFolder() const { return m_strSystemFolder; }
  // The flags as the control receives them, "0" or "1".
  std::string AddedFlag() const { return m_bAdded ? "1" : "0"; }
  std::string DeletedFlag() const { return m_bDeleted ? "1" : "0"; }
  std::int64_t TotalKB() const { return m_nTotalKB; }
  std::int64_t RemainingKB() const { return m_nRemainingKB; }
  bool IsInitialising() const { return m_bInitialising; }
  bool IsPathRejected() const { return m_bPathRejected; }
  bool IsLinkHighlighted(int id) const;
  const CImageBuffer* FolderImage(int cell) const { return m_folderImages[cell].get(); }
  const CImageBuffer* RowImage(int row) const { return m_regImages[row].get(); }
  std::int32_t LastNavigationStatus() const { return m_nNavigationStatus; }
  // The set the last successful pre-registration check handed over.
  const UploadSet& LastUploadSet() const { return m_uploadSet; }

  // The events of the form's browser (control 479).
  void OnControlEvent(int id, platform::com::DISPID dispid, const std::vector<platform::com::Variant>& args) override;

 protected:
  int OnCreate() override;
  bool OnInitDialog() override;
  void OnDestroy() override;
  bool OnCommand(int id, int notification) override;
  void OnCtlColor(int id, platform::ui::CtlColorType type, platform::ui::ControlColors& colors) override;
  void OnPaint(platform::ui::Painter& painter) override;
  void OnTimer(int id) override;
  void OnLButtonDown(int x, int y) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;

 private:
  friend class CFormDialogTestAccess;

  // The form's own brushes and fonts, made at initialisation.
  enum FontIndex { kFontGothic16, kFontBold16, kFontGothic12, kFontPGothic16, kFontGothic10, kFontPGothic15,
                   kFontLink13, kFontCount };

  // Data exchange: true reads the controls into the members, false writes the members into the controls.
  void UpdateData(bool save);
  void CreateFonts();
  void SetLabelFonts();
  void CacheRectangles();
  // Shows, hides, enables and disables the controls for the lists and slots as they stand.
  void UpdateControls();
  void ShowFolderPageControls();
  void ShowRegistrationRows();
  void ShowAttachmentControls();
  // The path-length check of the two path edits.
  void CheckPathLengths();
  bool ResetRegistrationList();
  bool ResetDownloadedList(FileEntryList& list, std::array<std::unique_ptr<CImageBuffer>, kRegistrationRows>& images);
  bool ResetFolderPage();
  void BuildFolderPage();
  void FillThumbnail(int cell);
  // The row's name and state from its entry, and unless told otherwise its thumbnail from the staging folder.
  void FillRow(int row, bool loadImage = true);
  void FillAllRows();
  void RefreshSizes();
  void RepaintRows();
  void RepaintLinks();
  // The check before a registration: what the form holds, then the upload set read from the staged files.
  int CheckBeforeRegistration(const std::string& stagingFolder);
  int CollectUploadPhotos(const std::string& stagingFolder, UploadSet& set);
  int CollectUploadAttachments(UploadSet& set);
  void HandOverUploadSet(UploadSet set);
  void ShowStop(int id, const std::string& argument = {});
  void ShowUser(int id, const std::string& argument = {});
  platform::ui::BoxAnswer Ask(const std::string& text);
  void Inform(const std::string& text);
  std::string StagingFolder() const;
  std::string StagingPathOf(const std::string& name) const;
  std::string EstimateFolder() const;
  // A name of the registration list or of an attachment slot other than exceptSlot: exactly, or (as a person's
  // choice is checked) without regard to case.
  bool NameTaken(const std::string& name, int exceptSlot, bool exact = false) const;

  // Start-up and downloads.
  void Startup();
  bool PrepareSystemFolder();
  bool PrepareWorkingFolders();
  void DownloadRegisteredFiles(platform::web::HttpSession& session);
  void PlaceEstimateCandidate(const std::string& candidate);
  void OnDownloadButton(int slot);
  void RemoveWorkingFolders();

  // Actions.
  void OnRegister();
  void OnRemoveRows();
  void OnMoveRow(int row, int step);
  void OnSelectRows(int linkId, bool check);
  void OnBatchResize();
  void OnAttach(bool browse);
  bool AcceptAttachment(int slot);
  void OnRemoveAttachments();
  void HandSlotToControl(int slot);
  void OpenImageDialog(int mode, int index);
  void OnCellClick(int cell);

  // The folder box's actions.
  void ShowFolder(const std::string& folder);
  void OnShowFolder();
  void OnBrowseFolder();
  void OnPastFolder();
  void OnSortOrder();

  // The browser's reply page and failed navigations.
  void OnDocumentComplete();
  void OnNavigateError(const std::string& url, std::int32_t status);
  void EnableDownloadButtons();
  void FatalError(const std::string& text);

  CQuillonCtrl* m_pCtrl;
  std::string m_strVersion = kQuillonIdentity.version;
  std::string m_strFolder;       // the folder box (206)
  std::string m_strImageFolder;  // the photo folder, with a trailing delimiter
  std::string m_strNewItem;
  bool m_bAdded = false;    // something is newly added (recomputed by every check before a registration)
  bool m_bDeleted = false;  // something registered was removed while the form was open
  std::string m_strComment;
  std::string m_strCommentAsLoaded;
  std::string m_strSystemFolder;
  std::string m_strBtnName;
  std::string m_strTorvaneFileName;
  std::string m_strTorvaneFileName2;
  std::string m_strImageServerURL;
  std::array<RegisteredSlot, kRegisteredSlots> m_registered;
  std::array<std::string, kHistoryCount> m_strImageHistory;
  int m_nUploadColorChangeTime = 0;

  // Folder page.
  FileEntryList m_folderPage;
  std::array<std::unique_ptr<CImageBuffer>, kFolderCells> m_folderImages;
  int m_nFolderFirst = -1;
  std::vector<std::string> m_folderPaths;
  std::string m_strFileCount = "0";
  std::string m_strPageNumber = "0";
  std::string m_strPageCount = "0";
  bool m_bListingConfirmed = false;
  std::string m_strResort = "0";
  std::set<std::string> m_unreadablePhotos;  // path, time key and size of each folder photo that failed to load

  // Registration list.
  FileEntryList m_regList;
  std::array<std::unique_ptr<CImageBuffer>, kRegistrationRows> m_regImages;
  int m_nRegFirst = -1;
  int m_nRegSelected = -1;
  std::array<std::string, kRegistrationRows> m_strRowName;
  std::array<std::string, kRegistrationRows> m_strRowState;
  std::array<bool, kRegistrationRows> m_bRowCheck{};
  std::string m_strRegCount = "0";

  // The two downloaded-file lists: registered images, and dropped files.
  FileEntryList m_registeredList;
  std::array<std::unique_ptr<CImageBuffer>, kRegistrationRows> m_registeredImages;
  std::vector<int> m_registeredListSlots;  // the registered slot each entry came from
  int m_nRegisteredSelected = -1;
  FileEntryList m_droppedList;
  std::array<std::unique_ptr<CImageBuffer>, kRegistrationRows> m_droppedImages;
  std::array<std::string, kRegistrationRows> m_strDroppedPath;
  std::array<std::string, kRegistrationRows> m_strDroppedFolder;

  // Attachments.
  std::array<AttachmentSlot, kAttachmentSlots> m_slots;
  std::string m_strAttachEdit;
  std::string m_strLastAttachPath;
  int m_nSlotCount = kAttachmentSlots;

  std::int64_t m_nTotalKB = 0;
  std::int64_t m_nRemainingKB = 0;
  int m_nMaxCommentByte = 0;

  bool m_bEditCheckBusy = false;
  bool m_bPathRejected = false;
  bool m_bFolderEditFocused = false;
  std::array<bool, 4> m_bLinkHighlight{};  // 476, 478, 485, 487
  std::int32_t m_nNavigationStatus = 0;

  bool m_bInitialising = false;
  bool m_bUnpackAgain = false;
  bool m_bRebuildFolderList = false;
  std::string m_strEstimateToUnpack;  // the estimate the start-up unpacked, for the deferred second try

  std::array<platform::ui::Font, kFontCount> m_fonts;
  // Cached at initialisation in the form's client coordinates: the picture frames of the cells and rows,
  // the attachment rows and the frames the painting fills.
  std::array<platform::ui::Rect, kFolderCells> m_rcCells{};
  std::array<platform::ui::Rect, kRegistrationRows> m_rcRowPictures{};
  std::array<platform::ui::Rect, kRegistrationRows> m_rcRows{};
  std::array<platform::ui::Rect, kAttachmentSlots> m_rcAttachmentRows{};
  platform::ui::Rect m_rcFolderFrame{};
  platform::ui::Rect m_rcRegistrationFrame{};
  platform::ui::Rect m_rcAttachmentFrame{};

  UploadSet m_uploadSet;
  CExplorer1 m_browser;
  std::unique_ptr<SystemFolderHold> m_pFolderHold;
  // Tells a task posted by a paint whether the form still stands.
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace quillon
