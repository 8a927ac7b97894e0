#include "CQuillonCtrl.h"

#include <new>

#include "CFormDialog.h"
#include "CUploadDialog.h"
#include "ChildDialogs.h"
#include "ParamValues.h"
#include "QuillonLib.h"
#include "QuillonResources.h"
#include "QuillonStrings.h"
#include "platform/files.h"

namespace quillon {

namespace com = platform::com;
namespace ui = platform::ui;

namespace {

// The registered-photo time that marks slot 0 as a copy of slot 1.
constexpr const char* kRegisteredImage = "登録済画像";

// The control's window and both child dialogs are this large, far beyond any page.
constexpr int kChildWidth = 8000;
constexpr int kChildHeight = 18500;

controls::ControlDescription Describe() {
  return controls::DescribeControl(kQuillonIdentity, QuillonTypeLib(), StringTable(), QuillonAboutBoxTemplate());
}

int FuncIdNumber(const std::string& text) {
  if (text == "0" || text == "3" || text == "4") return text[0] - '0';
  return 0;
}

int NumberOr(const std::string& text, int whenEmpty) {
  return text.empty() ? whenEmpty : controls::ParamToInt(text);
}

template <std::size_t N>
std::string Entry(const std::array<std::string, N>& values, int index) {
  return (index >= 0 && index < static_cast<int>(N)) ? values[index] : std::string();
}

}  // namespace

KeyRoute RouteKey(int mode, const ui::KeyMessage& message) {
  if (message.vk >= ui::vk::kEnd && message.vk <= ui::vk::kDown) {
    if (mode == 0) return KeyRoute::Form;
    if (mode == 2) return KeyRoute::Upload;
    return KeyRoute::Swallow;
  }
  if (message.vk == 'C' || message.vk == 'V') {
    if (!message.ctrl) return KeyRoute::Base;
    return mode == 0 ? KeyRoute::Form : KeyRoute::Swallow;
  }
  return KeyRoute::Base;
}

const com::DispatchTable<CQuillonCtrl>& CQuillonCtrl::DispatchMap() {
  static const com::DispatchTable<CQuillonCtrl> table = [] {
    com::DispatchTable<CQuillonCtrl> t;
    controls::AddSkeletonMembers(t);
    return t;
  }();
  return table;
}

CQuillonCtrl::CQuillonCtrl(com::Module& module) : ControlObject(module, Describe()) {
  m_pFormDialog.reset(new (std::nothrow) CFormDialog(*this));
  m_pUploadDialog.reset(new (std::nothrow) CUploadDialog(*this));
  if (!m_pFormDialog || !m_pUploadDialog) ShowMessage(1002, ui::BoxIcon::Stop);
}

CQuillonCtrl::~CQuillonCtrl() {
  // Our own OnDestroy must run while the object is whole; dialogs never given a window go with their pointers.
  Destroy();
}

void CQuillonCtrl::DoPropExchange(controls::PropExchange& px) {
  px.String("FuncID", m_strFuncIDParam);
  m_nFuncID = FuncIdNumber(m_strFuncIDParam);
  px.String("ImageFolder", m_strImageFolder);
  px.String("ServerURL", m_strServerURL);

  m_strSystemFolder = ExchangeSystemFolder(px);

  px.String("NewItem", m_strNewItem);
  px.String("MaxResolution", m_strMaxResolutionParam);
  px.String("MaxViewFileNum", m_strMaxViewFileNumParam);
  m_nMaxViewFileNum = controls::ParamToInt(m_strMaxViewFileNumParam);
  px.String("MaxByte", m_strMaxByteParam);
  m_nMaxByte = controls::ParamToInt(m_strMaxByteParam);
  px.String("AutoResizeWidth", m_strAutoResizeWidthParam);
  m_nAutoResizeWidth = NumberOr(m_strAutoResizeWidthParam, 600);
  px.String("AutoResizeHeight", m_strAutoResizeHeightParam);
  m_nAutoResizeHeight = NumberOr(m_strAutoResizeHeightParam, 480);
  px.String("MaxCommentByte", m_strMaxCommentByteParam);
  m_nMaxCommentByte = NumberOr(m_strMaxCommentByteParam, 256);
  px.String("TorvaneFileName", m_strTorvaneFileName);
  px.String("TorvaneFileName2", m_strTorvaneFileName2);
  px.String("ImageServerURL", m_strImageServerURL);

  for (int n = 1; n <= kRegisteredPhotos; ++n) {
    const std::string suffix = std::to_string(n);
    const int i = n - 1;
    px.String("DBImageFilePrtNM" + suffix, m_strDBImageFilePrtNM[i]);
    px.String("DBImageFileNM" + suffix, m_strDBImageFileNM[i]);
    px.String("DBImageFileTime" + suffix, m_strDBImageFileTime[i]);
    px.String("DBImageEntryTime" + suffix, m_strDBImageEntryTime[i]);
    px.String("DBImageFileSize" + suffix, m_strDBImageFileSize[i]);
    m_nImageFileSize[i] = controls::ParamToInt(m_strDBImageFileSize[i]);
  }
  for (int n = 1; n <= kHistories; ++n) px.String("ImageHistory" + std::to_string(n), m_strImageHistory[n - 1]);
  for (int n = 1; n <= kRegisteredFiles; ++n) {
    const std::string suffix = std::to_string(n);
    const int i = n - 1;
    px.String("DBEstimateFileName" + suffix, m_strDBEstimateFileName[i]);
    if (!m_strDBEstimateFileName[i].empty()) {
      px.String("DBEstimateFilePrtName" + suffix, m_strDBEstimateFilePrtName[i]);
      px.String("DBEstimateFileTime" + suffix, m_strDBEstimateFileTime[i]);
      px.String("DBEstimateEntryTime" + suffix, m_strDBEstimateEntryTime[i]);
      px.String("DBEstimateFileSize" + suffix, m_strDBEstimateFileSize[i]);
      m_nEstimateFileSize[i] = controls::ParamToInt(m_strDBEstimateFileSize[i]);
    } else {
      m_strDBEstimateFilePrtName[i].clear();
      m_strDBEstimateFileTime[i].clear();
      m_nEstimateFileSize[i] = 0;
    }
  }

  px.String("DBComment", m_strDBComment);
  px.String("BtnName", m_strBtnName);
  px.String("GRP_CD", m_strGRP_CD);
  px.String("MAP_ID", m_strMAP_ID);
  px.String("BTN_ID", m_strBTN_ID);
  px.String("BTN_ID2", m_strBTN_ID2);
  px.String("SES_ID", m_strSES_ID);
  px.String("CGI_ID", m_strCGI_ID);
  m_strFirstImageFolder = m_strImageFolder;
  px.String("UPLOAD_CHECK", m_strUploadCheckParam);
  px.String("UploadColorChangeTime", m_strUploadColorChangeTimeParam);
  m_nUploadColorChangeTime = controls::ParamToInt(m_strUploadColorChangeTimeParam);
}

int CQuillonCtrl::OnCreate() {
  if (COleControl::OnCreate() == -1) return -1;
  const ui::Rect whole = ui::RectAt(0, 0, kChildWidth, kChildHeight);
  controls::CreateChildDialog(m_pFormDialog, whole);
  controls::CreateChildDialog(m_pUploadDialog, whole);
  ShowMode(m_nFuncID);
  return 0;
}

void CQuillonCtrl::OnDestroy() {
  COleControl::OnDestroy();
  DestroyChildDialogs();
}

void CQuillonCtrl::DestroyChildDialogs() {
  controls::DestroyChildDialog(m_pFormDialog);
  controls::DestroyChildDialog(m_pUploadDialog);
}

void CQuillonCtrl::ShowMode(int mode) {
  if (mode < 0 || mode > 5) return;
  m_nMode = mode;
  // The repaint is only queued, so it may come first: the host's handler of the status event may release the
  // control, and nothing of it is used after that.
  InvalidateControl();
  if (mode != 1) {
    const bool form = mode == 0;
    const bool upload = mode == 2 || mode == 4 || mode == 5;
    if (m_pFormDialog && m_pFormDialog->IsCreated()) m_pFormDialog->Show(form);
    if (m_pUploadDialog && m_pUploadDialog->IsCreated()) m_pUploadDialog->Show(upload);
    SetStatus((mode == 0 || mode == 3) ? 1 : 3, "");
  }
}

void CQuillonCtrl::NotifyReturnButton(const std::string& btnId) {
  FireEventArgs(kDispidOnClickedReturnBtn, {com::Variant::Text(m_strCGI_ID), com::Variant::Text(btnId)});
}

void CQuillonCtrl::FireOnScrollResizeInfo() { FireEventArgs(kDispidOnScrollResizeInfo, {}); }

void CQuillonCtrl::ShowFatalError(const std::string& text) {
  // There is no way back into the form after a fatal error: the button closes.
  if (m_pUploadDialog) m_pUploadDialog->ShowMessage(text, CUploadDialog::kButtonClose);
  ShowMode(5);
}

void CQuillonCtrl::StartRegistration() {
  if (m_pUploadDialog && m_pUploadDialog->IsCreated()) m_pUploadDialog->StartStep1();
}

void CQuillonCtrl::SetImageFolder(const std::string& path) {
  m_strImageFolder = platform::IsFolder(path) ? path : std::string();
}

void CQuillonCtrl::SetEstimateFileEntry(const std::string& name, const std::string& time, int slot) {
  if (slot < 0 || slot >= kRegisteredFiles) return;
  if (slot == 1 || time != kRegisteredImage) {
    m_strDBEstimateFileName[slot] = name;
    m_strDBEstimateFilePrtName[slot] = name;
    m_strDBEstimateFileTime[slot] = time;
    m_strDBEstimateEntryTime[slot].clear();
    return;
  }
  m_strDBEstimateFileName[0] = m_strDBEstimateFileName[1];
  m_strDBEstimateFilePrtName[0] = m_strDBEstimateFilePrtName[1];
  m_strDBEstimateFileTime[0] = m_strDBEstimateFileTime[1];
  m_strDBEstimateEntryTime[0] = m_strDBEstimateEntryTime[1];
}

std::string CQuillonCtrl::GetParamString(int kind, int index) const {
  switch (kind) {
    case 0: return Entry(m_strDBImageFileNM, index);
    case 1: return Entry(m_strImageHistory, index);
    case 2: return Entry(m_strDBEstimateFileName, index);
    case 3: return Entry(m_strDBEstimateFileTime, index);
    case 4: return Entry(m_strDBImageFileTime, index);
    case 5: return Entry(m_strDBImageFilePrtNM, index);
    case 6: return Entry(m_strDBEstimateFilePrtName, index);
    case 7: return Entry(m_strDBEstimateEntryTime, index);
    case 8: return Entry(m_strDBImageEntryTime, index);
    default: return {};
  }
}

int CQuillonCtrl::GetFileSize(const std::string& kind, int index) const {
  if (kind == "FILE" && index >= 0 && index < kRegisteredFiles) return m_nEstimateFileSize[index];
  if (kind == "IMAGE" && index >= 0 && index < kRegisteredPhotos) return m_nImageFileSize[index];
  return 0;
}

bool CQuillonCtrl::PreTranslateMessage(const ui::KeyMessage& message) {
  // A key handed to a dialog is its own to handle; what it leaves goes on to its focused control, as the
  // dialog's own key handling would deliver it.
  switch (RouteKey(m_nMode, message)) {
    case KeyRoute::Form:
      return m_pFormDialog ? m_pFormDialog->PreTranslateMessage(message) : true;
    case KeyRoute::Upload:
      return m_pUploadDialog ? m_pUploadDialog->PreTranslateMessage(message) : true;
    case KeyRoute::Swallow:
      return true;
    case KeyRoute::Base:
      break;
  }
  return COleControl::PreTranslateMessage(message);
}

}  // namespace quillon
