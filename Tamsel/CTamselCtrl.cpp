#include "CTamselCtrl.h"

#include <new>

#include "CUploadDialog.h"
#include "ChildDialogs.h"
#include "CVekSelectDialog.h"
#include "ParamValues.h"
#include "TamselLib.h"
#include "TamselResources.h"
#include "TamselStrings.h"
#include "VekExtractPath.h"

namespace tamsel {

namespace com = platform::com;
namespace ui = platform::ui;

namespace {

// The control's window and both child dialogs are this large, far beyond any page.
constexpr int kChildWidth = 8000;
constexpr int kChildHeight = 3500;

constexpr char kDelimiter = '\t';

controls::ControlDescription Describe() {
  return controls::DescribeControl(kTamselIdentity, TamselTypeLib(), StringTable(), TamselAboutBoxTemplate());
}

}  // namespace

KeyRoute RouteKey(int mode, const ui::KeyMessage& message) {
  if (message.vk >= ui::vk::kEnd && message.vk <= ui::vk::kDown) {
    if (mode == CTamselCtrl::kModeSelect) return KeyRoute::Select;
    if (mode == CTamselCtrl::kModeLoad) return KeyRoute::Upload;
    return KeyRoute::Swallow;
  }
  // Pasting is blocked.
  if (message.vk == 'V' && message.ctrl) return KeyRoute::Swallow;
  return KeyRoute::Base;
}

bool BreaksRegistField(const std::string& text) { return text.find_first_of("\t\r\n") != std::string::npos; }

// None of the three is ever a trail byte of a double-byte character.
std::string RegistField(const std::string& text) {
  std::string field = text;
  for (char& c : field) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return field;
}

const com::DispatchTable<CTamselCtrl>& CTamselCtrl::DispatchMap() {
  static const com::DispatchTable<CTamselCtrl> table = [] {
    com::DispatchTable<CTamselCtrl> t;
    controls::AddSkeletonMembers(t);
    return t;
  }();
  return table;
}

const std::vector<std::string>& CTamselCtrl::RegistNames() {
  static const std::vector<std::string> names = {
      "VisitorName",   "AgreePerson",    "ReceptNo",       "AccidentDate",   "SecurityNo",    "RegistNo",
      "Form",          "FormSpecNo",     "Classification", "ColorCode",      "Owner",         "User",
      "Garage",        "RegistNoArea",   "RegistNoClass",  "RegistNoKana",   "RegistNoSeries", "FirstDateEra",
      "FirstDateYear", "FirstDateMonth", "XMLVersion",
  };
  return names;
}

CTamselCtrl::CTamselCtrl(com::Module& module) : ControlObject(module, Describe()) {
  m_pSelectDialog.reset(new (std::nothrow) CVekSelectDialog(*this));
  m_pUploadDialog.reset(new (std::nothrow) CUploadDialog(*this));
  if (!m_pSelectDialog || !m_pUploadDialog) ShowMessage(1002, ui::BoxIcon::Stop);
  m_arrNames = RegistNames();
}

CTamselCtrl::~CTamselCtrl() {
  // Our own OnDestroy must run while the object is whole; dialogs never given a window go with their pointers.
  Destroy();
  m_arrNames.clear();
  m_arrValues.clear();
}

void CTamselCtrl::DoPropExchange(controls::PropExchange& px) {
  // The first exchange fixes the registration values.
  if (m_arrValues.empty()) {
    for (const std::string& name : m_arrNames) {
      std::string value;
      px.String(name, value);
      m_arrValues.push_back(value);
    }
  }
  px.String("FuncID", m_strFuncID);
  m_nStartMode = (m_strFuncID == "4") ? kModeLoad : kModeSelect;
  px.String("Vek2Folder", m_strVek2Folder);
  SetEstimatePath(m_strVek2Folder);
  m_strSystemFolder = ExchangeSystemFolder(px);
  px.String("TorvaneFileName", m_strTorvaneFileName);
  px.String("MaxViewFileNum", m_strMaxViewFileNum);
  m_nMaxViewFileNum =
      m_strMaxViewFileNum.empty() ? kDefaultMaxViewFileNum : controls::ParamToInt(m_strMaxViewFileNum);
}

int CTamselCtrl::OnCreate() {
  if (COleControl::OnCreate() == -1) return -1;
  // The dialogs' initialisation already works in the mode the control starts in: the registration dialog loads
  // in mode 4, and only mode 3 asks the person while listing.
  m_nMode = m_nStartMode;
  // The selection dialog first: the registration dialog's load in mode 4 goes through it.
  const ui::Rect whole = ui::RectAt(0, 0, kChildWidth, kChildHeight);
  controls::CreateChildDialog(m_pSelectDialog, whole);
  controls::CreateChildDialog(m_pUploadDialog, whole);
  ShowMode(m_nStartMode);
  return 0;
}

void CTamselCtrl::OnDestroy() {
  COleControl::OnDestroy();
  DestroyChildDialogs();
}

void CTamselCtrl::DestroyChildDialogs() {
  // The registration dialog goes first: it loads through the selection dialog.
  controls::DestroyChildDialog(m_pUploadDialog);
  controls::DestroyChildDialog(m_pSelectDialog);
}

void CTamselCtrl::ShowMode(int mode) {
  // The repaint is only queued, so it may come first: the host's handler of the status event may release the
  // control, and nothing of it is used after that.
  InvalidateControl();
  if (mode == kModeSelect || mode == kModeLoad) {
    m_nMode = mode;
    const bool select = mode == kModeSelect;
    if (m_pUploadDialog && m_pUploadDialog->IsCreated()) m_pUploadDialog->Show(!select);
    if (m_pSelectDialog && m_pSelectDialog->IsCreated()) m_pSelectDialog->Show(select);
    SetStatus(select ? 1 : 3, "");
  }
}

std::string CTamselCtrl::GetParamValue(const std::string& name) const {
  for (std::size_t i = 0; i < m_arrNames.size() && i < m_arrValues.size(); ++i) {
    if (m_arrNames[i] == name) return m_arrValues[i];
  }
  return {};
}

void CTamselCtrl::SetParamValue(const std::string& name, const std::string& value) {
  for (std::size_t i = 0; i < m_arrNames.size() && i < m_arrValues.size(); ++i) {
    if (m_arrNames[i] == name) {
      m_arrValues[i] = value;
      return;
    }
  }
}

void CTamselCtrl::SetEstimatePath(const std::string& path) { m_strEstimatePath = CutToMaxPath(path); }

std::string CTamselCtrl::MakeRegist() const {
  std::string regist;
  // A page splits the string at its TABs and may read it by lines: a value's own TAB, CR or LF would shift
  // every later field. A chosen estimate's path never holds one (such a file cannot be chosen).
  for (const std::string& name : m_arrNames) {
    regist += RegistField(GetParamValue(name));
    regist += kDelimiter;
  }
  regist += RegistField(m_strEstimatePath);
  regist += kDelimiter;
  regist += RegistField(m_strSelectFlag);
  return regist;
}

void CTamselCtrl::BuildRegist() {
  FireEventArgs(controls::kDispidOnCallRegist,
                {com::Variant::Text(std::string(1, kDelimiter)), com::Variant::Text(MakeRegist())});
}

bool CTamselCtrl::PreTranslateMessage(const ui::KeyMessage& message) {
  // A key handed to a dialog is its own to handle; what it leaves goes on to its focused control, as the
  // dialog's own key handling would deliver it.
  switch (RouteKey(m_nMode, message)) {
    case KeyRoute::Select:
      return m_pSelectDialog ? m_pSelectDialog->PreTranslateMessage(message) : true;
    case KeyRoute::Upload:
      return m_pUploadDialog ? m_pUploadDialog->PreTranslateMessage(message) : true;
    case KeyRoute::Swallow:
      return true;
    case KeyRoute::Base:
      break;
  }
  return COleControl::PreTranslateMessage(message);
}

}  // namespace tamsel
