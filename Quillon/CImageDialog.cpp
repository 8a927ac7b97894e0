#include "CImageDialog.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "CQuillonCtrl.h"
#include "DialogCreation.h"
#include "ImageDialogResources.h"
#include "ImageMessages.h"
#include "ParamValues.h"
#include "platform/files.h"
#include "platform/path.h"
#include "platform/ui/fonts.h"

namespace quillon {

namespace ui = platform::ui;

namespace {

constexpr ui::Colour kWhite = ui::Rgb(255, 255, 255);
constexpr ui::Colour kBlack = ui::Rgb(0, 0, 0);
constexpr ui::Colour kHeadingBar = ui::Rgb(102, 204, 255);
constexpr ui::Colour kPictureBackground = ui::Rgb(212, 208, 200);

constexpr char kFace[] = "ＭＳ Ｐゴシック";
constexpr char kStagingFolder[] = "ImageUploadTemp";
constexpr char kPreviewSuffix[] = ".tmp";
constexpr const char* kHeadings[3] = {"画像ファイル情報", "画像の回転", "画像のサイズ変更"};

// Where everything stands, in the dialog's pixels. The information panel keeps the layout the control has
// always drawn (frame from x = 470 - m, texts at x = 480 - m, with m = 52 and o = 5 above 96 DPI, else 0),
// moved right as a whole so that its frame stands 20 pixels right of the picture area, which fills the
// dialog's left side from (0, 0).
struct Layout {
  int m = 0;
  int o = 0;
  int shift = 0;  // what the panel is moved right by
  ui::Rect picture;
  ui::Rect frame;  // the information panel (704)
  ui::Rect bars[3];
  int textX = 0;  // the information texts, at y 55, 75 and 95
  ui::Rect fileName;
  ui::Rect turnRight, turnLeft, recommended, confirm, close;
  int width = 0;  // the dialog's client size
  int height = 0;
};

Layout LayoutFor(bool highDpi) {
  Layout l;
  l.m = highDpi ? 52 : 0;
  l.o = highDpi ? 5 : 0;
  l.picture = ui::RectAt(0, 0, highDpi ? 750 : 900, 500);
  l.shift = l.picture.right + 20 - (470 - l.m);
  const int left = 470 - l.m + l.shift, right = 825 - 2 * l.m + l.shift;
  l.frame = ui::Rect{left, 1, right, 320 - 4 * l.o};
  // The lower two bars stand above the buttons they head, near y = 130 and y = 215, moved up by 2o and 3o.
  const int barTops[3] = {2, 130 - 2 * l.o, 215 - 3 * l.o};
  for (int i = 0; i < 3; ++i) l.bars[i] = ui::Rect{left + 1, barTops[i], right - 1, barTops[i] + 25};
  l.textX = 480 - l.m + l.shift;
  l.fileName = ui::Rect{l.textX, 33, right - 8, 53};
  // Two columns of buttons inside the frame: the turns side by side under their heading, the recommended size
  // under its own; confirm and cancel in the same columns at the foot of the dialog.
  const int buttonHeight = highDpi ? 26 : 28;
  const int buttonWidth = (right - left - 45) / 2;
  const int column1 = left + 15, column2 = column1 + buttonWidth + 15;
  l.turnRight = ui::RectAt(column1, l.bars[1].bottom + 10, buttonWidth, buttonHeight);
  l.turnLeft = ui::RectAt(column2, l.bars[1].bottom + 10, buttonWidth, buttonHeight);
  l.recommended = ui::RectAt(column1, l.bars[2].bottom + 10, buttonWidth, buttonHeight);
  l.height = l.picture.bottom;
  l.confirm = ui::RectAt(column1, l.height - 15 - buttonHeight, buttonWidth, buttonHeight);
  l.close = ui::RectAt(column2, l.height - 15 - buttonHeight, buttonWidth, buttonHeight);
  l.width = right + 20;
  return l;
}

// "&" is never the second byte of a double-byte character, so every one found is an ampersand.
std::string DoubleAmpersands(const std::string& name) {
  std::string out;
  for (char ch : name) {
    out += ch;
    if (ch == '&') out += '&';
  }
  return out;
}

// "YYYY/MM/DD hh:mm:ss" from a 14-digit time key; a shorter key gives empty fields where it ends.
std::string DateText(const std::string& key) {
  auto part = [&](std::size_t at, std::size_t n) { return at < key.size() ? key.substr(at, n) : std::string(); };
  char text[64];
  std::snprintf(text, sizeof text, "%s/%s/%s %s:%s:%s", part(0, 4).c_str(), part(4, 2).c_str(), part(6, 2).c_str(),
                part(8, 2).c_str(), part(10, 2).c_str(), part(12, 2).c_str());
  return text;
}

std::string PathOf(const std::string& folder, bool staged, const std::string& name) {
  std::string path = folder;
  if (path.empty() || path.back() != platform::kDelimiter) path += platform::kDelimiter;
  if (staged) {
    path += kStagingFolder;
    path += platform::kDelimiter;
  }
  return path + name;
}

}  // namespace

CImageDialog::CImageDialog(CQuillonCtrl& ctrl, const Record* record, CImageBuffer* thumbnail, const std::string& folder,
                           bool staged, int autoResizeWidth, int autoResizeHeight)
    : m_pCtrl(&ctrl),
      m_pThumbnail(thumbnail),
      m_strFolder(folder),
      m_bStaged(staged),
      m_nAutoResizeWidth(autoResizeWidth),
      m_nAutoResizeHeight(autoResizeHeight) {
  if (record) m_record = *record;
}

CImageDialog::~CImageDialog() { Destroy(); }

int CImageDialog::DoModal() {
  // Every way of opening it lays it out for the control's own screen resolution.
  return controls::DoModalForDpi(*this, ImageDialogTemplate(), m_pCtrl->IsCreated() ? m_pCtrl : nullptr,
                                 m_pCtrl->ScreenDpiX(), m_pCtrl->ScreenDpiY());
}

bool CImageDialog::IsHighDpi() const { return m_pCtrl->ScreenDpiX() > 96 && m_pCtrl->ScreenDpiY() > 96; }

int CImageDialog::SetUp() { return SetUpPhoto(true); }

int CImageDialog::SetUpForBatch() { return SetUpPhoto(false); }

int CImageDialog::SetUpPhoto(bool windowTexts) {
  m_nLimit = std::max(m_nAutoResizeWidth, m_nAutoResizeHeight);
  m_pImage.reset(new (std::nothrow) CImageBuffer);
  if (!m_pImage) {
    ShowImageMessage(kMsgOutOfMemory);
    return -1;
  }
  m_strDate.clear();
  m_strDisplayName.clear();
  m_nTurnCount = 0;
  m_bValid = true;
  const bool editable = m_record && m_record->editable;
  if (windowTexts) {
    SetText(editable ? "画像編集" : "画像拡大");
    SetItemText(kIdClose, editable ? "キャンセル" : "閉じる");
  }
  if (m_record && m_pThumbnail) {
    m_strDate = DateText(m_record->lastWriteTime);
    m_strDisplayName = DoubleAmpersands(m_record->fileName);
    m_strPath = PathOf(m_strFolder, m_bStaged, m_record->fileName);
    // A photo that is gone says so (1004); one that is there but cannot be read says that (1010, from Load).
    if (!platform::IsFile(m_strPath)) {
      ShowImageMessage(kMsgImageMissing, m_record->fileName);
      m_bValid = false;
    } else if (m_pImage->Load(m_strPath, kImageFileJpeg) != 0 || m_pImage->ConvertTo(kFormatBitmap) != 0) {
      m_bValid = false;
    }
  } else {
    m_bValid = false;
    ShowImageMessage(kMsgImageMissing, m_record ? m_record->fileName : std::string());
  }
  if (windowTexts) {
    SetItemText(kIdFileName, m_strDisplayName);
    if (!m_bValid) SetItemText(kIdClose, "閉じる");
  }
  return 0;
}

bool CImageDialog::OnInitDialog() {
  PlaceControls();
  m_bHaveBrush = true;
  if (SetUp() != 0) {
    EndDialog(ui::kIdCancel);
    return true;
  }
  UpdateButtons();
  return true;
}

void CImageDialog::PlaceControls() {
  const Layout l = LayoutFor(IsHighDpi());
  const ui::Rect at = WindowRect();
  Move(ui::RectAt(at.left, at.top, l.width, l.height));
  MoveItem(kIdPicture, l.picture);
  MoveItem(kIdInfoPanel, l.frame);
  MoveItem(kIdFileName, l.fileName);
  MoveItem(kIdTurnRight, l.turnRight);
  MoveItem(kIdTurnLeft, l.turnLeft);
  MoveItem(kIdRecommended, l.recommended);
  MoveItem(kIdConfirm, l.confirm);
  MoveItem(kIdClose, l.close);
}

bool CImageDialog::IsLoadedSize() const {
  return m_pImage && m_pImage->Width() == m_pImage->LoadedWidth() && m_pImage->Height() == m_pImage->LoadedHeight();
}

void CImageDialog::UpdateButtons() {
  if (!IsCreated()) return;
  const bool edit = m_record && m_record->editable;
  for (int id : {kIdTurnRight, kIdTurnLeft, kIdRecommended, kIdConfirm}) ShowItem(id, edit);
  const int w = m_pImage ? m_pImage->Width() : 0, h = m_pImage ? m_pImage->Height() : 0;
  const int lw = m_pImage ? m_pImage->LoadedWidth() : 0, lh = m_pImage ? m_pImage->LoadedHeight() : 0;
  // Nothing to confirm while the photo stands as it was loaded; nothing to shrink when it fits the limit or a
  // side is a single pixel. A photo that is not valid offers nothing.
  const bool unchanged = m_nTurnCount == 0 && ((w == lw && h == lh) || (w == lh && h == lw));
  EnableItem(kIdTurnRight, CanChange());
  EnableItem(kIdTurnLeft, CanChange());
  EnableItem(kIdConfirm, CanChange() && !unchanged);
  EnableItem(kIdRecommended, CanChange() && m_nLimit >= 1 && (w > m_nLimit || h > m_nLimit) && w >= 2 && h >= 2);
}

bool CImageDialog::OnCommand(int id, int notification) {
  if (notification != ui::notify::kClicked) return false;
  switch (id) {
    case kIdTurnRight:
      OnTurn(true);
      return true;
    case kIdTurnLeft:
      OnTurn(false);
      return true;
    case kIdRecommended:
      ResizeToRecommended();
      UpdateButtons();
      Invalidate(false);
      return true;
    case kIdConfirm:
      OnConfirm();
      return true;
    case kIdClose:
    case ui::kIdCancel:  // Esc and the window's close box are the close button
      OnClose();
      return true;
    case ui::kIdOk:  // Enter with no button to press: the dialog has no default action
      return true;
    default:
      return false;
  }
}

void CImageDialog::OnTurn(bool clockwise) {
  if (!CanChange()) return;
  if (m_pImage->Rotate90(clockwise) != 0) return;
  m_nTurnCount += clockwise ? 1 : -1;
  UpdateButtons();
  // The picture turned as well as its pixel text.
  Invalidate(false);
}

void CImageDialog::TurnBy(CImageBuffer& buffer, int count) {
  switch (count % 4) {
    case 1:
    case -3:
      buffer.Rotate90(true);
      break;
    case 2:
    case -2:
      buffer.Rotate90(true);
      buffer.Rotate90(true);
      break;
    case 3:
    case -1:
      buffer.Rotate90(false);
      break;
    default:
      break;
  }
}

void CImageDialog::TakeSizeOf(const std::string& path) {
  const std::int64_t size = platform::FileSize(path);
  if (size >= 0 && m_record && m_record->size) *m_record->size = size;
}

int CImageDialog::ResizeToRecommended() {
  if (!CanChange() || m_nLimit < 1) return -1;
  int width = m_pImage->Width(), height = m_pImage->Height();
  FitWithin(m_nLimit, width, height);
  if (width == m_pImage->Width() && height == m_pImage->Height()) return -1;
  if (m_pImage->Resize(width, height) != 0) return -1;
  const std::string preview = m_strPath + kPreviewSuffix;
  const bool saved = m_pImage->ConvertTo(kFormatPackedRGB) == 0 && m_pImage->Save(preview, kImageFileJpeg) == 0;
  if (m_pImage->ConvertTo(kFormatBitmap) != 0) m_bValid = false;
  // Only the preview just written tells the new size (not one left from before).
  if (!saved) return 1;
  TakeSizeOf(preview);
  return 0;
}

bool CImageDialog::Confirm(bool* written) {
  *written = false;
  if (m_nTurnCount % 4 == 0 && IsLoadedSize()) return true;
  if (m_pImage->ConvertTo(kFormatPackedRGB) != 0) return false;
  const bool saved = m_pImage->Save(m_strPath, kImageFileJpeg) == 0;
  if (m_pImage->ConvertTo(kFormatBitmap) != 0) m_bValid = false;
  // A photo that was not written keeps its thumbnail and its size.
  if (!saved) return false;
  *written = true;
  if (m_pThumbnail) {
    if (m_bValid && m_pImage->Width() < m_pThumbnail->Width() && m_pImage->Height() < m_pThumbnail->Height()) {
      m_pThumbnail->Copy(*m_pImage);
    } else {
      TurnBy(*m_pThumbnail, m_nTurnCount);
    }
  }
  TakeSizeOf(m_strPath);
  return true;
}

void CImageDialog::OnConfirm() {
  if (!CanChange()) return;
  bool written = false;
  if (Confirm(&written)) {
    EndDialog(ui::kIdOk);
    return;
  }
  // The save failed (its message is shown): the person may try again or cancel.
  UpdateButtons();
  Invalidate(false);
}

void CImageDialog::OnClose() {
  EndDialog(ui::kIdCancel);
  if (!CanChange() || IsLoadedSize()) return;
  // The record goes back to the photo's own size (not a preview's); the photo is read again as it is on disk.
  if (m_pImage->Load(m_strPath, kImageFileJpeg) != 0 || m_pImage->ConvertTo(kFormatBitmap) != 0) {
    m_bValid = false;
  } else {
    TurnBy(*m_pImage, m_nTurnCount);
  }
  TakeSizeOf(m_strPath);
}

int CImageDialog::ApplyRecommendedSize() {
  if (!CanChange() || m_nLimit < 1) return 0;
  bool written = false;
  if (ResizeToRecommended() == 1 || !Confirm(&written)) {
    // Not written: the record keeps the photo's own size, not a preview's.
    TakeSizeOf(m_strPath);
    return 0;
  }
  return written ? 1 : 0;
}

void CImageDialog::OnPaint(ui::Painter& painter) {
  PaintPanel(painter);
  UpdateButtons();
  PaintPicture(painter);
}

void CImageDialog::PaintPanel(ui::Painter& painter) {
  const bool edit = m_record && m_record->editable;
  const Layout l = LayoutFor(IsHighDpi());
  const int points = controls::DialogPointSize(m_pCtrl->ScreenDpiX(), m_pCtrl->ScreenDpiY());
  const int em = ui::PointsToPixels(points, m_pCtrl->ScreenDpiY());
  const ui::Font normal{kFace, -em, 400};
  const ui::Font bold{kFace, -em, 700};
  // The panel is white, as its control colour is.
  painter.FillRect(l.frame, kWhite);
  painter.FrameRect(l.frame, kBlack);
  // In view mode the panel holds the file name alone: no information texts, and no headings of the buttons
  // that are hidden.
  for (int i = 0; i < (edit ? 3 : 1); ++i) {
    painter.FillRect(l.bars[i], kHeadingBar);
    painter.TextOut(l.bars[i].left + 4, l.bars[i].top + 3, kHeadings[i], bold, kBlack, true, kWhite);
  }
  if (!edit) return;
  if (!m_strDate.empty()) painter.TextOut(l.textX, 55, m_strDate, normal, kBlack, false, kWhite);
  if (m_record && m_record->size) {
    const std::int64_t size = *m_record->size;
    const long long kb = size / 1024 + (size % 1024 != 0 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%lld KB", kb);
    painter.TextOut(l.textX, 75, text, normal, kBlack, false, kWhite);
  }
  if (m_bValid && m_pImage) {
    char text[64];
    std::snprintf(text, sizeof text, "%d×%d ピクセル", m_pImage->Width(), m_pImage->Height());
    painter.TextOut(l.textX, 95, text, normal, kBlack, false, kWhite);
  }
}

void CImageDialog::PaintPicture(ui::Painter& painter) {
  const ui::Rect area = LayoutFor(IsHighDpi()).picture;
  painter.FillRect(area, kPictureBackground);
  if (!m_bValid || !m_pImage || m_pImage->Format() != kFormatBitmap || !m_pImage->Pixels()) return;
  const int w = m_pImage->Width(), h = m_pImage->Height();
  const int areaWidth = area.Width(), areaHeight = area.Height();
  int width = w, height = h;
  if (!(w < areaWidth && h < areaHeight)) {
    // To the area's width when that is the tighter side, else to its height; never below one pixel.
    if (std::int64_t{h} * areaWidth < std::int64_t{w} * areaHeight) {
      width = areaWidth;
      height = static_cast<int>(std::max<std::int64_t>(1, std::int64_t{h} * areaWidth / w));
    } else {
      height = areaHeight;
      width = static_cast<int>(std::max<std::int64_t>(1, std::int64_t{w} * areaHeight / h));
    }
  }
  const BitmapInfoHeader& source = m_pImage->Header().bmiHeader;
  ui::BitmapInfoHeader header;
  header.width = source.biWidth;
  header.height = source.biHeight;
  header.planes = source.biPlanes;
  header.bitCount = source.biBitCount;
  header.compression = source.biCompression;
  header.sizeImage = source.biSizeImage;
  painter.StretchBitmap(
      ui::RectAt(area.left + (areaWidth - width) / 2, area.top + (areaHeight - height) / 2, width, height), header,
      m_pImage->Pixels());
}

void CImageDialog::OnCtlColor(int id, ui::CtlColorType type, ui::ControlColors& colors) {
  if (id != 0 && m_bHaveBrush && (type == ui::CtlColorType::Edit || type == ui::CtlColorType::Static)) {
    colors.brush = kWhite;
  }
}

void CImageDialog::OnDestroy() {
  m_bHaveBrush = false;
  m_pImage.reset();
}

}  // namespace quillon
