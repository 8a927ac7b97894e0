#include "CVekSelectDialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "CBrowseFolderDlg.h"
#include "CTamselCtrl.h"
#include "ControlMessage.h"
#include "DialogColours.h"
#include "DialogCreation.h"
#include "OvSvInfo.h"
#include "ParamValues.h"
#include "TamselResources.h"
#include "TamselStrings.h"
#include "VekExtractPath.h"
#include "VistrelLinkReader.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"
#include "platform/ui/application.h"

namespace tamsel {

namespace ui = platform::ui;

namespace {

constexpr int kKindShortSummary = 1;
constexpr int kFrameWidth = 8000;
constexpr int kFrameHeight = 3500;

struct Column {
  const char* caption;
  int width;  // at 96 dpi
};
const Column kColumns[] = {{"ファイル名", 150}, {"受付番号", 100}, {"お客様名", 100},
                           {"車名", 175},       {"登録番号", 110}, {"ファイル更新日時", 140}};
constexpr int kColumnCount = static_cast<int>(sizeof kColumns / sizeof kColumns[0]);

const int kPagingButtons[] = {CVekSelectDialog::kIdPrevTop, CVekSelectDialog::kIdNextTop,
                              CVekSelectDialog::kIdPrevBottom, CVekSelectDialog::kIdNextBottom};

constexpr const char* kFolderTooLong = "文字数が規定の範囲を超えています。変更してください。";
constexpr const char* kBrowsePrompt = "フォルダを選択してください。";
// The control empties its extract folder before every load: estimates kept there would be lost.
constexpr const char* kExtractFolderRefused =
    "見積ファイルの展開用フォルダとその中のフォルダは参照先にできません。変更してください。";

bool LastWriteOf(const std::string& path, platform::FileTime& time) {
  time = {};
  return platform::GetFileTimes(path, nullptr, &time);
}

// The local date of a file's last write, "%Y/%m/%d"; empty when it cannot be read.
std::string DateText(const std::string& path) {
  platform::FileTime time;
  platform::LocalTime local;
  if (!LastWriteOf(path, time) || !platform::FileTimeToLocal(time, local)) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", local.year, local.month, local.day);
  return text;
}

// A file of the listing with its last-write time, read once, so that the order holds even when a file changes
// while it is sorted.
struct ListedFile {
  std::string path;
  platform::FileTime time;
};

bool NewerFirst(const ListedFile& a, const ListedFile& b) {
  if (a.time.seconds != b.time.seconds) return a.time.seconds > b.time.seconds;
  if (a.time.nanoseconds != b.time.nanoseconds) return a.time.nanoseconds > b.time.nanoseconds;
  return a.path < b.path;  // byte by byte
}

}  // namespace

CVekSelectDialog::CVekSelectDialog(CTamselCtrl& ctrl)
    : m_pCtrl(&ctrl), m_library([this] { ShowLibraryMissing(); }) {
  m_pLoadedRecord.reset(new (std::nothrow) CVekHeaderData);
  if (!m_pLoadedRecord) m_pCtrl->ShowMessage(1002, ui::BoxIcon::Stop);
}

CVekSelectDialog::~CVekSelectDialog() { Destroy(); }

bool CVekSelectDialog::Create() {
  const int dpiX = m_pCtrl->ScreenDpiX(), dpiY = m_pCtrl->ScreenDpiY();
  m_dScale = (dpiX > 96 && dpiY > 96) ? 0.89 : 1.0;
  return controls::CreateDialogForDpi(*this, VekSelectDialogTemplate(), *m_pCtrl, dpiX, dpiY);
}

int CVekSelectDialog::ColumnWidth(int column) const {
  if (column < 0 || column >= kColumnCount) return 0;
  return static_cast<int>(kColumns[column].width * m_dScale);
}

// One cause, one message: a load that finds the library missing again says nothing more.
void CVekSelectDialog::ShowLibraryMissing() {
  if (m_bLibraryMissingTold) return;
  m_bLibraryMissingTold = true;
  m_pCtrl->ShowMessage(1016, ui::BoxIcon::Stop);
}

void CVekSelectDialog::ShowExtractFolderRefused() {
  controls::ShowTextMessage(StringTable(), kExtractFolderRefused, ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, 0,
                            m_pCtrl->IsCreated() ? m_pCtrl : nullptr);
}

bool CVekSelectDialog::HeaderReadAt(int row) const {
  const int index = m_nFirstRow + row;
  return row >= 0 && m_nFirstRow >= 0 && index < static_cast<int>(m_arrRecords.size()) &&
         m_arrRecords[static_cast<std::size_t>(index)]->bHeaderRead;
}

// ---- Initialisation ----

bool CVekSelectDialog::OnInitDialog() {
  m_bFirstPaintPending = true;
  MoveItem(kIdFrame, ui::RectAt(0, 0, kFrameWidth, kFrameHeight));
  SetPagingFonts();

  if (!m_library.BindForDialog()) {
    m_bLibraryMissing = true;
    ShowLibraryMissing();
    m_library.Release();
    SetButtons();
    return true;
  }

  m_strFolder = m_pCtrl->GetEstimatePath();
  char dataPath[OVSVINFO_DATA_PATH_BUFFER_SIZE] = {};
  if (m_library.GetDataPath(dataPath) == 0) {
    // The answer need not end inside the buffer.
    m_strFolder.assign(dataPath, strnlen(dataPath, sizeof dataPath));
  }
  if (!m_strFolder.empty() && m_strFolder.back() == ':') m_strFolder += platform::kDelimiter;
  if (!platform::IsFolder(m_strFolder)) m_strFolder.clear();

  AddColumns();

  m_nPass = 1;
  Refresh();
  m_strLastFolder.clear();
  m_nPass = 2;
  Refresh();
  m_nPass = 3;
  ShowData();
  m_bCheckColumnWidths = false;
  m_bBusy = false;
  SetButtons();
  return true;
}

void CVekSelectDialog::AddColumns() {
  for (int c = 0; c < kColumnCount; ++c) ListInsertColumn(kIdList, c, kColumns[c].caption, ColumnWidth(c));
}

void CVekSelectDialog::SetPagingFonts() {
  for (int id : kPagingButtons) SetItemFont(id, ui::Font{"ＭＳ ゴシック", 12, 400});
}

// ---- The listing ----

void CVekSelectDialog::Refresh() {
  m_arrRecords.clear();
  if (m_strFolder.size() > kMaxPathBytes) {
    controls::ShowTextMessage(StringTable(), kFolderTooLong, ui::BoxIcon::Exclamation, ui::BoxButtons::Ok, 0,
                              m_pCtrl->IsCreated() ? m_pCtrl : nullptr);
    m_strFolder = CutToMaxPath(m_strFolder);
  }
  if (!m_strFolder.empty() && InExtractFolder(m_strFolder, m_pCtrl->GetSystemFolder())) {
    ShowExtractFolderRefused();
    m_strFolder.clear();
  }
  m_nFirstRow = ListFiles() == 0 ? 0 : -1;
  FillPage(m_nFirstRow);
  m_nSelectedRow = -1;
  SetPagingFonts();
  SetButtons();
  ShowData();
  m_strLastFolder = m_strFolder;
}

int CVekSelectDialog::ListFiles() {
  m_bNoLimit = false;
  m_nFileCount = 0;
  m_strPage = m_strPageCount = "0";
  if (m_strFolder.empty()) return -1;

  const bool asks = m_nPass > 1 && m_pCtrl->GetMode() == CTamselCtrl::kModeSelect;
  const std::string systemFolder = m_pCtrl->GetSystemFolder();
  std::vector<platform::FindEntry> entries;
  platform::FindFiles(JoinPath(m_strFolder, "*.vek"), entries);
  std::vector<ListedFile> kept;
  for (const platform::FindEntry& entry : entries) {
    if (entry.isFolder) continue;
    const std::string path = JoinPath(m_strFolder, entry.name);
    if (path.size() > kMaxPathBytes || ExtractPathOf(systemFolder, entry.name).size() > kMaxPathBytes) {
      // Told once for each file, not again when the list is made anew.
      if (asks && m_reportedPaths.insert(path).second) m_pCtrl->ShowMessage(1003, ui::BoxIcon::Stop, {path});
      continue;
    }
    if (m_nFileCount + 1 > m_pCtrl->GetMaxViewFileNum() && !m_bNoLimit && !(asks && ListBeyondTheLimit())) {
      m_nFileCount = 0;
      kept.clear();
      break;
    }
    ++m_nFileCount;
    ListedFile file{path, {}};
    LastWriteOf(path, file.time);
    kept.push_back(std::move(file));
  }
  if (m_nFileCount == 0) return -1;

  std::sort(kept.begin(), kept.end(), NewerFirst);
  m_strPageCount = std::to_string((m_nFileCount + kRowsPerPage - 1) / kRowsPerPage);
  m_strPage = "1";
  for (ListedFile& file : kept) {
    auto record = std::make_unique<CVekHeaderData>();
    record->strPath = std::move(file.path);
    m_arrRecords.push_back(std::move(record));
  }
  return 0;
}

bool CVekSelectDialog::ListBeyondTheLimit() {
  // The question waits for the first paint: the dialog is not to be seen before.
  if (m_bFirstPaintPending) {
    m_bQuestionDue = true;
    return false;
  }
  const ui::BoxAnswer answer =
      m_pCtrl->ShowMessage(2024, ui::BoxIcon::Exclamation, {}, ui::BoxButtons::YesNo, 1);
  if (answer != ui::BoxAnswer::Yes) return false;
  m_bNoLimit = true;
  return true;
}

void CVekSelectDialog::FillPage(int first) {
  ListDeleteAllRows(kIdList);
  if (first < 0) return;
  int row = 0;
  for (std::size_t i = static_cast<std::size_t>(first); i < m_arrRecords.size() && row < kRowsPerPage; ++i, ++row) {
    CVekHeaderData& record = *m_arrRecords[i];
    if (record.strFileName.empty()) ReadRowHeader(record);
    ListInsertRow(kIdList, row, record.strFileName);
    ListSetCell(kIdList, row, 1, record.strAcceptNo);
    ListSetCell(kIdList, row, 2, record.strCustomerName);
    ListSetCell(kIdList, row, 3, record.strCarName);
    ListSetCell(kIdList, row, 4, record.strRegistNo);
    ListSetCell(kIdList, row, 5, record.strDate);
  }
  ShowData();
}

void CVekSelectDialog::ReadRowHeader(CVekHeaderData& record) {
  char buffer[OVSVINFO_HEADER_BUFFER_SIZE] = {};
  // A path that would split the registration string is never chosen: its row stays grey.
  if (BreaksRegistField(record.strPath) || m_library.GetHeader(kKindShortSummary, record.strPath, buffer) == -1) {
    record.strAcceptNo.clear();
    record.strCustomerName.clear();
    record.strCarName.clear();
    record.strRegistNo.clear();
  } else {
    record.ReadHeaderSummary(buffer);
    record.bHeaderRead = true;
  }
  record.strFileName = FileNameOf(record.strPath);
  record.strDate = DateText(record.strPath);
}

// ---- Paging and the buttons ----

void CVekSelectDialog::OnPrevPage() {
  if (m_nFirstRow <= 0) return;
  m_nFirstRow = std::max(0, m_nFirstRow - kRowsPerPage);
  FillPage(m_nFirstRow);
  m_nSelectedRow = -1;
  const int page = controls::ParamToInt(m_strPage);
  if (page >= 2) m_strPage = std::to_string(page - 1);
  ShowData();
  SetButtons();
}

void CVekSelectDialog::OnNextPage() {
  if (m_nFileCount - m_nFirstRow - kRowsPerPage <= 0) return;
  m_nFirstRow += kRowsPerPage;
  FillPage(m_nFirstRow);
  m_nSelectedRow = -1;
  m_strPage = std::to_string(controls::ParamToInt(m_strPage) + 1);
  ShowData();
  SetButtons();
}

void CVekSelectDialog::SetButtons() {
  if (m_bBusy) {
    EnableItem(kIdLoad, false);
    EnableItem(kIdCancel, false);
    EnableItem(kIdBrowse, false);
  } else {
    EnableItem(kIdLoad, !m_bLibraryMissing && HeaderReadAt(m_nSelectedRow));
    EnableItem(kIdCancel, true);
    EnableItem(kIdBrowse, true);
  }
  // Without the header library no row can be read, on any page.
  const bool pages = !m_bLibraryMissing && m_nFileCount > kRowsPerPage;
  const bool next = pages && m_nFileCount - m_nFirstRow - kRowsPerPage > 0;
  const bool prev = pages && m_nFirstRow > 0;
  EnableItem(kIdNextTop, next);
  EnableItem(kIdNextBottom, next);
  EnableItem(kIdPrevTop, prev);
  EnableItem(kIdPrevBottom, prev);
}

void CVekSelectDialog::ShowData() {
  SetItemText(kIdFolder, m_strFolder);
  SetItemText(kIdFileCount, std::to_string(m_nFileCount));
  SetItemText(kIdPageTop, m_strPage);
  SetItemText(kIdPageBottom, m_strPage);
  SetItemText(kIdPagesTop, m_strPageCount);
  SetItemText(kIdPagesBottom, m_strPageCount);
}

// ---- The list ----

void CVekSelectDialog::OnListNotify(const ui::ListNotification& n) {
  if (n.id != kIdList) return;
  switch (n.event) {
    case ui::ListEvent::Click:
      OnListClick();
      break;
    case ui::ListEvent::HeaderEndTrack:
      m_bCheckColumnWidths = true;
      break;
    case ui::ListEvent::HeaderItemChanged:
      OnHeaderItemChanged();
      break;
    case ui::ListEvent::ItemChanged:
      if ((n.oldState ^ n.newState) & ui::kRowSelected) OnListSelectionChanged();
      break;
  }
}

// The selection moved, by the mouse, by keys or by the program: "読込" follows the highlighted row, and a grey
// row does not stay selected. Its focus stays, so that the arrow keys go on from there.
void CVekSelectDialog::OnListSelectionChanged() {
  int row = ListNextRow(kIdList, -1, ui::kRowSelected);
  if (row >= 0 && !HeaderReadAt(row)) {
    ListSetRowState(kIdList, row, 0, ui::kRowSelected);
    row = -1;
  }
  m_nSelectedRow = row;
  SetButtons();
}

void CVekSelectDialog::OnListClick() {
  int row = ListNextRow(kIdList, -1, ui::kRowSelected);
  // A row whose header was not read cannot stay chosen: the selected one, else the focused one.
  const int looked = row >= 0 ? row : ListNextRow(kIdList, -1, ui::kRowFocused);
  if (looked >= 0 && !HeaderReadAt(looked)) {
    ListSetRowState(kIdList, looked, 0, ui::kRowSelected | ui::kRowFocused);
    row = -1;
  }
  m_nSelectedRow = row;
  SetButtons();
  ShowData();
}

bool CVekSelectDialog::OnListRowColour(int id, int row, ui::Colour& text) {
  const int index = m_nFirstRow + row;
  if (id != kIdList || m_nFirstRow < 0 || row < 0 || index >= static_cast<int>(m_arrRecords.size())) return false;
  if (m_arrRecords[static_cast<std::size_t>(index)]->bHeaderRead) return false;
  text = kGrey;
  return true;
}

void CVekSelectDialog::OnHeaderItemChanged() {
  if (!m_bCheckColumnWidths) return;
  // Cleared first: setting a width tells of a change again.
  m_bCheckColumnWidths = false;
  for (int c = 0; c < kColumnCount; ++c) {
    if (ListColumnWidth(kIdList, c) < ColumnWidth(c)) ListSetColumnWidth(kIdList, c, ColumnWidth(c));
  }
}

// ---- Buttons ----

bool CVekSelectDialog::OnCommand(int id, int notification) {
  if (notification != ui::notify::kClicked) return Dialog::OnCommand(id, notification);
  switch (id) {
    case kIdPrevTop:
    case kIdPrevBottom:
      OnPrevPage();
      return true;
    case kIdNextTop:
    case kIdNextBottom:
      OnNextPage();
      return true;
    case kIdBrowse:
      OnBrowse();
      return true;
    case kIdLoad:
      OnLoad();
      return true;
    case kIdCancel:
      OnCancelChoice();
      return true;
    default:
      return Dialog::OnCommand(id, notification);
  }
}

void CVekSelectDialog::OnBrowse() {
  controls::CBrowseFolderDlg picker(m_pCtrl, 0);
  if (picker.DoModal(kBrowsePrompt, m_strFolder.c_str()) != 1) return;
  m_strFolder = picker.GetFolderPath();
  Refresh();
}

void CVekSelectDialog::OnLoad() {
  // Enter in the list does not load: only the button itself. What it loads is the row the list highlights.
  if (FocusedItem() != kIdLoad) return;
  m_nSelectedRow = ListNextRow(kIdList, -1, ui::kRowSelected);
  if (!HeaderReadAt(m_nSelectedRow)) {
    SetButtons();
    return;
  }
  m_strChosenPath = m_arrRecords[static_cast<std::size_t>(m_nFirstRow + m_nSelectedRow)]->strPath;
  m_bBusy = true;
  SetButtons();
  if (ApplySelectedFile() == -1) {
    m_bBusy = false;
    SetButtons();
  }
}

void CVekSelectDialog::OnCancelChoice() {
  m_bBusy = true;
  SetButtons();
  for (const std::string& name : CTamselCtrl::RegistNames()) m_pCtrl->SetParamValue(name, "");
  m_pCtrl->SetEstimatePath("");
  m_pCtrl->SetSelectFlag("0");
  m_pCtrl->BuildRegist();
}

// ---- Painting, colours, the end ----

void CVekSelectDialog::OnPaint(ui::Painter& painter) {
  painter.FillRect(ItemRect(kIdFrame), controls::kWhite);
  if (!m_bFirstPaintPending) return;
  m_bFirstPaintPending = false;
  if (!m_bQuestionDue) return;
  m_bQuestionDue = false;
  // The question is asked right after this paint, not inside it.
  std::weak_ptr<bool> alive = m_alive;
  ui::PostTask([this, alive] {
    if (alive.lock() && IsCreated()) Refresh();
  });
}

void CVekSelectDialog::OnCtlColor(int id, ui::CtlColorType type, ui::ControlColors& colors) {
  Dialog::OnCtlColor(id, type, colors);
  controls::UseWhiteBrush(type, colors);
}

void CVekSelectDialog::OnDestroy() {
  Dialog::OnDestroy();
  m_arrRecords.clear();
  m_library.Release();
  // The unpacking leaves files only: folders in there are not ours, and the folder stays while it holds one.
  if (!m_strExtractFolder.empty() && platform::IsFolder(m_strExtractFolder)) {
    DeleteFilesOf(m_strExtractFolder);
    platform::RemoveFolder(m_strExtractFolder);
  }
}

void CVekSelectDialog::DeleteFilesOf(const std::string& folder) {
  std::vector<platform::FindEntry> entries;
  platform::FindFiles(JoinPath(folder, "*.*"), entries);
  for (const platform::FindEntry& entry : entries) {
    if (!entry.isFolder) platform::DeleteFile(JoinPath(folder, entry.name));
  }
}

// ---- Loading the chosen estimate ----

int CVekSelectDialog::ApplySelectedFile() {
  const std::string systemFolder = m_pCtrl->GetSystemFolder();
  // A path that would split the registration string cannot go to the page whole.
  if (BreaksRegistField(m_strChosenPath)) {
    m_pCtrl->ShowMessage(1017, ui::BoxIcon::Stop);
    return -1;
  }
  if (!platform::IsAbsolute(systemFolder)) {
    m_pCtrl->ShowMessage(1001, ui::BoxIcon::Stop, {systemFolder});
    return -1;
  }
  const std::string base = WithoutTrailingDelimiter(systemFolder);
  platform::MakeFolders(base);
  if (!platform::IsFolder(base)) {
    m_pCtrl->ShowMessage(1001, ui::BoxIcon::Stop, {base});
    return -1;
  }
  const std::string extract = ExtractFolder(systemFolder);
  platform::MakeFolder(extract);
  if (!platform::IsFolder(extract)) {
    m_pCtrl->ShowMessage(1001, ui::BoxIcon::Stop, {extract});
    return -1;
  }
  // Emptying the folder would delete the very estimate to be loaded (also through a link), or its neighbours.
  if (InExtractFolder(FolderOf(m_strChosenPath), systemFolder) || HeldAtTopOf(extract, m_strChosenPath)) {
    ShowExtractFolderRefused();
    return -1;
  }
  // A name that leads to no file cannot be loaded: nothing is emptied for it.
  if (!platform::IsFile(m_strChosenPath)) {
    m_pCtrl->ShowMessage(1017, ui::BoxIcon::Stop);
    return -1;
  }
  m_strExtractFolder = extract;
  DeleteFilesOf(extract);

  if (LoadVekFile(extract, m_strChosenPath) == -1) {
    // A missing library has been told already.
    if (!m_bLibraryMissing) m_pCtrl->ShowMessage(1017, ui::BoxIcon::Stop);
    return -1;
  }
  ApplyLoadedValues();
  m_pCtrl->SetEstimatePath(m_strChosenPath);
  m_pCtrl->SetSelectFlag("1");
  m_pCtrl->BuildRegist();
  return 0;
}

void CVekSelectDialog::ApplyLoadedValues() {
  static const CVekHeaderData kEmpty;
  const CVekHeaderData& r = m_pLoadedRecord ? *m_pLoadedRecord : kEmpty;
  const struct {
    const char* name;
    const std::string& value;
  } values[] = {
      {"VisitorName", r.strCustomerName},
      {"AgreePerson", r.strAdjusterName},
      {"ReceptNo", r.strAcceptNo},
      {"AccidentDate", r.strAccidentDate},
      {"SecurityNo", r.strTicketNo},
      {"RegistNo", r.strXMLVersion == "1" ? kEmpty.strRegistNo : r.strRegistNo},
      {"Form", r.strCarName},
      {"FormSpecNo", r.strCarMouldNo},
      {"Classification", r.strCarKindNo},
      {"ColorCode", r.strColorCode},
      {"Owner", r.strOwnerName},
      {"User", r.strUserName},
      {"Garage", r.strGarageInDate},
      {"RegistNoArea", r.strCarNoArea},
      {"RegistNoClass", r.strCarNoClass},
      {"RegistNoKana", r.strCarNoKana},
      {"RegistNoSeries", r.strCarNoSeries},
      {"FirstDateEra", r.strCarRegistedDateEra},
      {"FirstDateYear", r.strCarRegistedDateYear},
      {"FirstDateMonth", r.strCarRegistedDateMonth},
      {"XMLVersion", r.strXMLVersion},
  };
  for (const auto& v : values) m_pCtrl->SetParamValue(v.name, v.value);
}

int CVekSelectDialog::LoadVekFile(const std::string& folder, const std::string& path) {
  m_bLibraryMissing = false;
  if (!m_library.BindForLoad()) {
    m_bLibraryMissing = true;
    ShowLibraryMissing();
    m_library.Release();
    return -1;
  }
  if (m_library.FMalt(path, folder) != 0) return -1;
  char buffer[OVSVINFO_HEADER_BUFFER_SIZE] = {};
  if (m_library.GetHeader(kKindShortSummary, path, buffer) == -1) return -1;

  CVekHeaderData summary;
  summary.ReadHeaderSummary(buffer);
  if (m_pLoadedRecord) *m_pLoadedRecord = CVekHeaderData{};
  bool read = false;
  if (summary.bLinkFile) {
    std::vector<platform::FindEntry> entries;
    platform::FindFiles(JoinPath(folder, "*.xml"), entries);
    for (const platform::FindEntry& entry : entries) {
      const std::size_t dot = platform::FindLastChar(entry.name, '.');
      if (entry.isFolder || dot == std::string::npos ||
          !platform::EqualsNoCaseAscii(std::string_view(entry.name).substr(dot + 1), "xml")) {
        continue;
      }
      read = ReadVistrelLinkFile(JoinPath(folder, entry.name), m_pLoadedRecord.get());
      break;
    }
  }
  if (m_pLoadedRecord) {
    // Without a photo-link file that could be read, the header summary tells what it knows.
    if (!read) {
      m_pLoadedRecord->strCustomerName = summary.strCustomerName;
      m_pLoadedRecord->strRegistNo = summary.strRegistNo;
      m_pLoadedRecord->strCarName = summary.strCarName;
    }
    m_pLoadedRecord->strAcceptNo = summary.strAcceptNo;
  }
  return 0;
}

}  // namespace tamsel
