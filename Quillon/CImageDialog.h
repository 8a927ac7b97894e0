// The image dialog: dialog 202, opened modally by the photo-list form for one photograph. It shows the photo
// large with an information panel and, for a photo the person may change, turns it by 90 degrees, shrinks it
// to the recommended size and writes it back over its JPEG file. The form's batch resize uses it unshown.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ImageBuffer.h"
#include "platform/ui/dialog.h"

namespace quillon {

class CQuillonCtrl;

class CImageDialog : public platform::ui::Dialog {
 public:
  // Controls of dialog 202.
  static constexpr int kIdPicture = 230;      // the picture area
  static constexpr int kIdInfoPanel = 704;    // the information panel
  static constexpr int kIdTurnRight = 711;    // "右に90度回す"
  static constexpr int kIdTurnLeft = 712;     // "左に90度回す"
  static constexpr int kIdRecommended = 292;  // "推奨サイズ"
  static constexpr int kIdConfirm = 714;      // "変更確定"
  static constexpr int kIdClose = 293;        // "キャンセル" in edit mode, "閉じる" in view mode
  static constexpr int kIdFileName = 478;

  // The photo's entry in the form, as the dialog uses it.
  struct Record {
    std::string fileName;
    std::string lastWriteTime;     // "YYYYMMDDhhmmss"
    std::int64_t* size = nullptr;  // the entry's size in bytes, which the dialog keeps to the photo file's
    bool editable = false;         // the person may change the photo (edit mode), else view mode
  };

  // record and thumbnail (the form's buffer of the photo, which a confirmed change updates) may be missing: the
  // dialog then shows message 1004 and nothing to change. The photo is folder/fileName, or
  // folder/ImageUploadTemp/fileName when staged. The limit of the recommended size is the larger of the two.
  CImageDialog(CQuillonCtrl& ctrl, const Record* record, CImageBuffer* thumbnail, const std::string& folder,
               bool staged, int autoResizeWidth, int autoResizeHeight);
  ~CImageDialog() override;

  // Shows the dialog modally over the control, made for the control's screen resolution. 1 (kIdOk) after a
  // confirm, 2 (kIdCancel) after cancel or close, -1 when it could not be made.
  int DoModal();

  // Loads the photo: SetUp with the window's title and texts (OnInitDialog runs it), SetUpForBatch without. 0, or
  // -1 when the working buffer cannot be had (message 1002).
  int SetUp();
  int SetUpForBatch();
  // The batch step after SetUpForBatch: shrinks a photo larger than the limit to the recommended size and writes
  // it over its file. 1 when the photo was written, else 0 (it fits, it is not valid or editable, the limit is
  // below 1, or a save failed).
  int ApplyRecommendedSize();

  // What tests and the form may read.
  const std::string& PhotoPath() const { return m_strPath; }
  bool IsImageValid() const { return m_bValid; }
  int TurnCount() const { return m_nTurnCount; }
  const CImageBuffer* WorkingImage() const { return m_pImage.get(); }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int notification) override;
  void OnPaint(platform::ui::Painter& painter) override;
  void OnCtlColor(int id, platform::ui::CtlColorType type, platform::ui::ControlColors& colors) override;
  void OnDestroy() override;

 private:
  int SetUpPhoto(bool windowTexts);
  bool IsHighDpi() const;
  bool CanChange() const { return m_bValid && m_pImage && m_record && m_record->editable; }
  bool IsLoadedSize() const;
  // The enable rules of the buttons for the working buffer as it stands.
  void UpdateButtons();
  void PlaceControls();

  void OnTurn(bool clockwise);
  // The recommended size with its ".tmp" preview: -1 when nothing was changed, 0 when resized and previewed, 1
  // when resized but the preview could not be written.
  int ResizeToRecommended();
  // Writes the working buffer over the photo and updates the thumbnail and the record; false when the save
  // failed (nothing else is changed then). *written tells whether anything was written.
  bool Confirm(bool* written);
  void OnConfirm();
  void OnClose();
  // Turns buffer by a count of quarter turns (positive: clockwise).
  static void TurnBy(CImageBuffer& buffer, int count);
  // Sets the record's size from the file when it can be found.
  void TakeSizeOf(const std::string& path);

  void PaintPanel(platform::ui::Painter& painter);
  void PaintPicture(platform::ui::Painter& painter);

  CQuillonCtrl* m_pCtrl;
  std::optional<Record> m_record;
  CImageBuffer* m_pThumbnail;
  std::string m_strFolder;
  bool m_bStaged;
  int m_nAutoResizeWidth;
  int m_nAutoResizeHeight;

  int m_nLimit = 0;
  std::unique_ptr<CImageBuffer> m_pImage;
  bool m_bValid = false;
  int m_nTurnCount = 0;
  std::string m_strPath;
  std::string m_strDisplayName;
  std::string m_strDate;
  bool m_bHaveBrush = false;  // the white brush of edit and static controls
};

}  // namespace quillon
