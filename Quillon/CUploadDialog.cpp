#include "CUploadDialog.h"

#include <optional>
#include <utility>

#include "CQuillonCtrl.h"
#include "ControlMessage.h"
#include "DialogColours.h"
#include "DialogCreation.h"
#include "MessageText.h"
#include "MultipartPart.h"
#include "QuillonResources.h"
#include "QuillonStrings.h"
#include "ServerReply.h"
#include "UploadBody.h"
#include "UploadSize.h"
#include "platform/clock.h"
#include "platform/ui/application.h"

namespace quillon {

namespace com = platform::com;
namespace ui = platform::ui;
namespace web = platform::web;

namespace {

constexpr const char* kCaptionClose = "閉じる";
constexpr const char* kCaptionBack = "画像登録・削除画面へ";
constexpr const char* kTextPreparing = "只今、サーバに登録する情報を準備しています。しばらくお待ちください。";
constexpr const char* kTextUploading = "只今、ファイルをアップロードしています。しばらくお待ちください。";
constexpr const char* kTextRegistering = "只今、サーバに情報を登録しています。しばらくお待ちください。";
constexpr const char* kTextFatal = "続行不能なエラーが発生しました。最初から処理をやり直して下さい。";

// Messages of the string table that the replies and navigation errors show.
constexpr int kMessageSystemError = 1000;     // the server's code
constexpr int kMessageCannotConnect = 1014;   // URL, HTTP status
constexpr int kMessageCannotConnectX = 1015;  // URL, system code in hexadecimal
constexpr int kMessageServiceClosed = 2025;
constexpr int kMessageNotProcessed = 2026;
constexpr int kMessageBadTransition = 3000;
constexpr int kMessageNotLoggedIn = 3001;

// The registered-file slots of GetParamString.
constexpr int kParamEstimateFileName = 2;
constexpr int kParamEstimateFileTime = 3;
constexpr int kParamEstimatePrtName = 6;
constexpr int kParamEstimateEntryTime = 7;

// The longest time a body's reading goes without dispatching the page's messages.
constexpr std::uint64_t kPumpIntervalMs = 10;

std::string TableText(int id, const std::vector<controls::MessageArg>& args) {
  return controls::FormatMessageText(LoadString(id), args);
}

std::string ErrorText(const UploadError& error) { return TableText(error.messageId, {error.path, error.cause}); }

}  // namespace

bool CUploadDialog::Create() {
  return controls::CreateDialogForDpi(*this, UploadDialogTemplate(), *m_pCtrl, m_pCtrl->ScreenDpiX(),
                                      m_pCtrl->ScreenDpiY());
}

bool CUploadDialog::OnInitDialog() {
  ShowItem(kIdBrowser, false);
  m_browser.Create(ui::kHidden, ItemRect(kIdBrowser), *this, kIdBrowser);
  ProgressSetBackground(kIdProgress, controls::kWhite);
  if (m_pCtrl->GetFuncID() == 5) {
    SetItemText(kIdMessage, kTextFatal);
    SetItemText(kIdButton, kCaptionClose);
    ShowButton();
  }
  return true;
}

void CUploadDialog::OnDestroy() {
  // A registration building a body when the control goes stops at its next chunk (see MakePump).
  m_alive.reset();
  EndWait();
  Dialog::OnDestroy();
}

void CUploadDialog::ShowMessage(const std::string& text, int kind) {
  if (!IsCreated()) return;
  SetItemText(kIdMessage, text);
  SetItemText(kIdButton, kind == kButtonClose ? kCaptionClose : kCaptionBack);
  ShowButton();
}

void CUploadDialog::ShowProgress() {
  ProgressSetPos(kIdProgress, 0);
  ShowItem(kIdProgress, true);
  ShowItem(kIdButton, false);
}

void CUploadDialog::ShowButton() {
  ShowItem(kIdProgress, false);
  // The return button disables itself when pressed; whenever it is shown again it must work.
  EnableItem(kIdButton, true);
  ShowItem(kIdButton, true);
}

void CUploadDialog::ShowFailure(const std::string& text, const char* caption) {
  SetItemText(kIdMessage, text);
  SetItemText(kIdButton, caption);
  ShowButton();
}

void CUploadDialog::BeginWait() {
  if (m_bWaitCursor) return;
  m_bWaitCursor = true;
  ui::BeginWaitCursor();
}

void CUploadDialog::EndWait() {
  if (!m_bWaitCursor) return;
  m_bWaitCursor = false;
  ui::EndWaitCursor();
}

UploadInputs CUploadDialog::CollectInputs() const {
  UploadInputs in;
  in.systemFolder = m_pCtrl->GetSystemFolder();
  in.grpCd = m_pCtrl->GetGRP_CD();
  in.mapId = m_pCtrl->GetMAP_ID();
  in.btnId = m_pCtrl->GetBTN_ID();
  in.sesId = m_pCtrl->GetSES_ID();
  in.cgiId = m_pCtrl->GetCGI_ID();
  for (int i = 0; i < 2; ++i) {
    EstimateSlot& slot = in.estimateSlots[i];
    slot.fileName = m_pCtrl->GetParamString(kParamEstimateFileName, i);
    slot.prtName = m_pCtrl->GetParamString(kParamEstimatePrtName, i);
    slot.fileTime = m_pCtrl->GetParamString(kParamEstimateFileTime, i);
    slot.entryTime = m_pCtrl->GetParamString(kParamEstimateEntryTime, i);
  }
  return in;
}

UploadPump CUploadDialog::MakePump() {
  std::weak_ptr<bool> alive = m_alive;
  UploadPump pump;
  // The bar moves by whole percents: a chunk that leaves the position as it was changes nothing on the page.
  auto shown = std::make_shared<int>(-1);
  pump.setProgress = [this, shown](int position) {
    if (position == *shown) return;
    *shown = position;
    ProgressSetPos(kIdProgress, position);
  };
  // The page stays responsive when its messages are dispatched every few milliseconds; doing it after every
  // 2048-byte chunk costs a third of reading a large registration. The first chunk always dispatches.
  auto last = std::make_shared<std::uint64_t>(0);
  auto first = std::make_shared<bool>(true);
  pump.pumpMessages = [alive, last, first] {
    const std::uint64_t now = platform::TickMilliseconds();
    if (!*first && now - *last < kPumpIntervalMs) return true;
    *first = false;
    *last = now;
    // The messages dispatched may destroy the control, and with it this dialog: then nothing of it is touched.
    ui::DispatchPendingMessages();
    return !alive.expired();
  };
  return pump;
}

bool CUploadDialog::Post(RequestBody& body, const std::string& boundary) {
  // The body is handed on, not copied: it can be hundreds of megabytes.
  com::Variant postData = com::Variant::Bytes(std::make_shared<const RequestBody>(std::move(body)));
  const std::string url = m_pCtrl->GetServerURL();
  if (m_browser.Navigate2(com::Variant::Text(url), com::Variant(), com::Variant(), std::move(postData),
                          com::Variant::Text(RequestHeaders(boundary)))) {
    return true;
  }
  ShowFailure(TableText(kMessageCannotConnectX, {url, static_cast<int>(com::E_FAIL)}), kCaptionBack);
  return false;
}

int CUploadDialog::StartStep1() {
  if (!IsCreated()) return 0;
  ShowProgress();
  m_nNavigateStatus = 0;
  m_error = {};
  m_counters = {};
  // What an earlier refusal offered does not belong to this registration.
  m_strReturnButtonId.clear();
  m_strReturnButtonCaption.clear();
  m_uploadSet = m_pCtrl->GetUploadSet();

  SetItemText(kIdMessage, kTextPreparing);
  std::weak_ptr<bool> alive = m_alive;
  ui::DispatchPendingMessages();
  if (alive.expired()) return 0;
  BeginWait();

  std::int64_t total = SumUploadSize(m_uploadSet, m_error);
  BuildResult built = BuildResult::Failed;
  RequestBody body;
  std::string boundary;
  if (total >= 0) {
    m_counters.total = total == 0 ? 1 : static_cast<std::uint64_t>(total);
    ProgressSetRange(kIdProgress, 0, 100);
    ProgressSetPos(kIdProgress, 0);
    m_nStep = 1;
    built = BuildStep1Body(CollectInputs(), m_uploadSet, kBoundary, m_counters, MakePump(), body, m_error,
                           &boundary);
    if (built == BuildResult::Destroyed) return 0;
  }
  if (built != BuildResult::Built) {
    ShowFailure(ErrorText(m_error), kCaptionBack);
    EndWait();
    return 0;
  }
  if (!Post(body, boundary)) {
    EndWait();
    return 0;
  }
  return 1;
}

void CUploadDialog::StartStep2() {
  m_nNavigateStatus = 0;
  m_error = {};
  // The browser set the bar to its own range while step 1 was sent; the files are counted in percent.
  ProgressSetRange(kIdProgress, 0, 100);
  ProgressSetPos(kIdProgress, 0);
  RequestBody body;
  std::string boundary;
  BuildResult built =
      BuildStep2Body(CollectInputs(), m_uploadSet, kBoundary, m_counters, MakePump(), body, m_error, &boundary);
  if (built == BuildResult::Destroyed) return;
  EndWait();
  if (built != BuildResult::Built) {
    ShowFailure(ErrorText(m_error), kCaptionBack);
    return;
  }
  ProgressSetPos(kIdProgress, 0);
  SetItemText(kIdMessage, kTextUploading);
  m_nStep = 2;
  Post(body, boundary);  // a refusal is shown; the wait ended above
}

void CUploadDialog::OnControlEvent(int id, com::DISPID dispid, const std::vector<com::Variant>& args) {
  if (id != kIdBrowser) return;
  switch (dispid) {
    case CExplorer1::kDispidProgressChange:
      if (args.size() >= 2) OnProgressChange(args[0].AsI4(), args[1].AsI4());
      break;
    case CExplorer1::kDispidDocumentComplete:
      OnDocumentComplete();
      break;
    case CExplorer1::kDispidNavigateError:
      if (args.size() >= 4) OnNavigateError(args[1].AsText(), args[3].AsI4());
      break;
    default:
      break;
  }
}

void CUploadDialog::OnProgressChange(std::int32_t progress, std::int32_t progressMax) {
  ProgressSetRange(kIdProgress, 0, progressMax & 0xFFFF);
  ProgressSetPos(kIdProgress, progress);
}

void CUploadDialog::OnNavigateError(const std::string& url, std::int32_t status) {
  m_nNavigateStatus = status;
  EndWait();
  if (status < 0) {
    SetItemText(kIdMessage, TableText(kMessageCannotConnectX, {url, status}));
  } else {
    SetItemText(kIdMessage, TableText(kMessageCannotConnect, {url, status}));
  }
  ShowButton();
}

void CUploadDialog::OnDocumentComplete() {
  if (m_nNavigateStatus != 0) return;
  std::shared_ptr<const web::Document> page;
  com::ComPtr<com::IDispatch> document = m_browser.GetDocument();
  com::ComPtr<web::IHtmlDocument> html;
  if (document && com::Succeeded(document.As(html))) page = html->Page();
  if (!page) page = std::make_shared<web::Document>();
  const ServerReply reply = ReadServerReply(page->BodyInnerHtml(), [&page](const std::string& name) {
    std::optional<ReplyElement> found;
    if (const web::Element* e = page->Item(name, 0)) found = ReplyElement{e->tagName, e->type, e->value, e->complete};
    return found;
  });
  const ReplyClass answer = ClassifyReply(reply);
  // Every reply ends the wait that step 1 began, but the one that goes on to step 2 (which ends it itself).
  if (answer.kind != ReplyKind::Accepted || m_nStep != 1) EndWait();
  std::weak_ptr<bool> alive = m_alive;
  switch (answer.kind) {
    case ReplyKind::Accepted:
      if (m_nStep == 1) {
        m_pCtrl->SetCGIID(reply.cgiId);
        StartStep2();
      } else {
        SetItemText(kIdMessage, kTextRegistering);
        m_pCtrl->SetCGIID(reply.cgiId);
        m_pCtrl->SetStatus(4, reply.cgiId);
      }
      return;
    case ReplyKind::Refused:
      // The host hears of each status at once and may end the control in its handler.
      m_pCtrl->SetCGIID(reply.cgiId);
      m_pCtrl->SetStatus(10, reply.cgiId);
      if (alive.expired()) return;
      m_pCtrl->ShowMode(0);
      if (alive.expired()) return;
      controls::ShowTextMessage(StringTable(), ReplyMessageText(reply), ui::BoxIcon::Exclamation,
                                ui::BoxButtons::Ok, 0, m_pCtrl);
      return;
    case ReplyKind::RefusedWithReturn:
      m_pCtrl->SetCGIID(reply.cgiId);
      m_strReturnButtonId = reply.btnId + ".x";
      m_strReturnButtonCaption = reply.btnNm;
      SetItemText(kIdButton, m_strReturnButtonCaption);
      SetItemText(kIdMessage, ReplyMessageText(reply));
      ShowButton();
      return;
    case ReplyKind::ServiceClosed:
      ShowFailure(TableText(kMessageServiceClosed, {""}), kCaptionClose);
      return;
    case ReplyKind::SystemError:
      ShowFailure(TableText(kMessageSystemError, {answer.serverCode}), kCaptionClose);
      return;
    case ReplyKind::BadTransition:
      ShowFailure(TableText(kMessageBadTransition, {""}), kCaptionClose);
      return;
    case ReplyKind::NotLoggedIn:
      ShowFailure(TableText(kMessageNotLoggedIn, {""}), kCaptionClose);
      return;
    case ReplyKind::Unknown:
      ShowFailure(TableText(kMessageNotProcessed, {""}), kCaptionBack);
      return;
  }
}

bool CUploadDialog::OnCommand(int id, int notification) {
  if (id == kIdButton && notification == ui::notify::kClicked) {
    OnButton();
    return true;
  }
  return Dialog::OnCommand(id, notification);
}

void CUploadDialog::OnButton() {
  const std::string caption = ItemText(kIdButton);
  if (caption == kCaptionClose) {
    m_pCtrl->SetStatus(9, "");
  } else if (!m_strReturnButtonCaption.empty() && caption == m_strReturnButtonCaption) {
    EnableItem(kIdButton, false);
    m_pCtrl->NotifyReturnButton(m_strReturnButtonId);
  } else {
    m_pCtrl->ShowMode(0);
  }
}

void CUploadDialog::OnCtlColor(int id, ui::CtlColorType type, ui::ControlColors& colors) {
  Dialog::OnCtlColor(id, type, colors);
  controls::UseWhiteBrush(type, colors);
}

}  // namespace quillon
