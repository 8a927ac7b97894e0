// The estimate-file selection dialog: dialog 245, the control's first child, shown in mode 3. It lists the
// estimate files of a data folder ten to a page, newest first, with their header details, lets the person
// change the folder, page and pick one; the chosen estimate is unpacked and its values handed to the page.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CVekHeaderData.h"
#include "OvSvInfoBinding.h"
#include "platform/ui/dialog.h"

namespace tamsel {

class CTamselCtrl;

class CVekSelectDialog : public platform::ui::Dialog {
 public:
  static constexpr int kIdLoad = 1;  // "読込"
  static constexpr int kIdCancel = 2;  // "キャンセル"
  static constexpr int kIdBrowse = 205;  // "参照"
  static constexpr int kIdFolder = 247;
  static constexpr int kIdList = 325;
  static constexpr int kIdFileCount = 327;
  static constexpr int kIdPrevTop = 328;
  static constexpr int kIdNextTop = 1001;
  static constexpr int kIdPrevBottom = 329;
  static constexpr int kIdNextBottom = 1002;
  static constexpr int kIdPageTop = 469;
  static constexpr int kIdPagesTop = 470;
  static constexpr int kIdPageBottom = 463;
  static constexpr int kIdPagesBottom = 466;
  static constexpr int kIdFrame = 335;
  static constexpr int kRowsPerPage = 10;
  // Text colour of the rows whose header could not be read.
  static constexpr platform::ui::Colour kGrey = platform::ui::Rgb(0x96, 0x96, 0x96);

  explicit CVekSelectDialog(CTamselCtrl& ctrl);
  ~CVekSelectDialog() override;

  // Creates the dialog inside the control from template 245, re-fonted for the control's screen resolution.
  bool Create();

  // The loading of a chosen estimate: the path that ApplySelectedFile loads.
  void SetChosenPath(const std::string& path) { m_strChosenPath = path; }
  // Unpacks the chosen estimate into the extract folder, sets the control's values from it and hands the
  // registration string to the page; 0, or -1 after showing why not.
  int ApplySelectedFile();
  // Unpacks path into folder and reads its header summary and photo-link file into the loaded record; 0 or -1.
  int LoadVekFile(const std::string& folder, const std::string& path);

  // What the dialog holds, for those who look at it.
  const std::string& Folder() const { return m_strFolder; }
  double ScaleFactor() const { return m_dScale; }
  int FileCount() const { return m_nFileCount; }
  int FirstRow() const { return m_nFirstRow; }
  int SelectedRow() const { return m_nSelectedRow; }
  bool IsBusy() const { return m_bBusy; }
  const std::vector<std::unique_ptr<CVekHeaderData>>& Records() const { return m_arrRecords; }
  const CVekHeaderData* LoadedRecord() const { return m_pLoadedRecord.get(); }
  // int(96-dpi width × scale factor) of a column.
  int ColumnWidth(int column) const;
  // The text colour of a row: grey for a file whose header could not be read.
  bool OnListRowColour(int id, int row, platform::ui::Colour& text) override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int notification) override;
  void OnPaint(platform::ui::Painter& painter) override;
  void OnCtlColor(int id, platform::ui::CtlColorType type, platform::ui::ControlColors& colors) override;
  void OnListNotify(const platform::ui::ListNotification& notification) override;
  void OnDestroy() override;

 private:
  void AddColumns();
  void Refresh();
  int ListFiles();
  // Asks message 2024, or marks it due while the first paint is pending; true when the listing goes on.
  bool ListBeyondTheLimit();
  void FillPage(int first);
  void ReadRowHeader(CVekHeaderData& record);
  void OnPrevPage();
  void OnNextPage();
  void SetButtons();
  void ShowData();
  void SetPagingFonts();
  void OnListClick();
  void OnHeaderItemChanged();
  void OnBrowse();
  void OnLoad();
  void OnCancelChoice();
  void ApplyLoadedValues();
  void ShowLibraryMissing();
  void ShowExtractFolderRefused();
  void OnListSelectionChanged();
  // The row of the page shows a file whose header was read (false for -1 and rows past the records).
  bool HeaderReadAt(int row) const;
  static void DeleteFilesOf(const std::string& folder);

  CTamselCtrl* m_pCtrl;
  OvSvInfoBinding m_library;
  std::string m_strFolder;
  std::string m_strLastFolder;
  std::vector<std::unique_ptr<CVekHeaderData>> m_arrRecords;
  int m_nFileCount = 0;
  bool m_bNoLimit = false;
  int m_nPass = 1;
  int m_nFirstRow = -1;
  int m_nSelectedRow = -1;
  std::string m_strPage = "0";
  std::string m_strPageCount = "0";
  bool m_bBusy = false;
  bool m_bCheckColumnWidths = false;
  bool m_bFirstPaintPending = false;
  bool m_bQuestionDue = false;
  bool m_bLibraryMissing = false;      // the header library could not be bound (the last try)
  bool m_bLibraryMissingTold = false;  // message 1016 has been shown
  double m_dScale = 1.0;
  std::string m_strChosenPath;
  std::unique_ptr<CVekHeaderData> m_pLoadedRecord;
  std::string m_strExtractFolder;        // formed by the last load; removed with the dialog's window
  std::set<std::string> m_reportedPaths;  // too long paths already told (message 1003)
  std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);  // for the refresh the first paint posts
};

}  // namespace tamsel
