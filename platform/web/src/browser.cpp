#include "platform/web/browser.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <string_view>

#include "curl_common.h"
#include "http_headers.h"
#include "multi_driver.h"

namespace platform::web {

namespace {

// What a failed navigation shows (the server's own error pages are not shown).
std::shared_ptr<const Document> ErrorPage() {
  static const std::shared_ptr<const Document> page = ParseDocument(
      "<html><head><title>Navigation failed</title></head><body><h1>This page cannot be displayed</h1></body></html>",
      "text/html; charset=us-ascii");
  return page;
}

// The URL's last path part, for a file that proposes no name.
std::string NameInUrl(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  std::size_t scheme = path.find("://");
  std::size_t start = scheme == std::string::npos ? 0 : path.find('/', scheme + 3);
  if (start == std::string::npos) return {};
  std::size_t slash = path.rfind('/');
  return path.substr(slash + 1);
}

class CurlBrowser : public Browser {
 public:
  explicit CurlBrowser(const Timeouts& timeouts)
      : timeouts_(timeouts),
        driver_(std::make_unique<MultiDriver>([this](CURL* easy, CURLcode result) { Finish(easy, result); },
                                              [this] { CheckStall(); }, 100)) {}

  ~CurlBrowser() override {
    alive_.reset();
    Abandon();
    driver_.reset();
  }

  using Browser::Navigate2;
  void Navigate2(const std::string& url, std::int32_t flags, const std::string& targetFrame,
                 SharedPostData postData, const std::string& headers) override;
  std::shared_ptr<const Document> GetDocument() const override { return document_; }

 private:
  struct Transfer {
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    SharedPostData post;
    std::string url;  // as navigated (CP932)
    std::string body, contentType, contentDisposition;
    int serial = 0;
    std::int32_t progress = -1;
    CurlBrowser* browser = nullptr;
    StallGuard stall{0};
    ~Transfer() {
      if (easy) curl_easy_cleanup(easy);
      curl_slist_free_all(headers);
    }
  };

  enum class Kind { Progress, Error, Complete, Download };
  struct Event {
    Kind kind;
    int serial;
    std::int32_t value = 0;
    std::string url;
    std::shared_ptr<const Document> document;
    DownloadOffer offer;
  };

  void Queue(Event e);
  void Deliver();
  void Abandon();
  void Fail(const std::string& url, std::int32_t status);
  void Finish(CURL* easy, CURLcode result);
  void CheckStall();

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user);
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);
  static int OnProgress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow);

  Timeouts timeouts_;
  std::unique_ptr<MultiDriver> driver_;
  std::unique_ptr<Transfer> transfer_;
  std::deque<Event> pending_;
  bool deliveryPosted_ = false;
  int serial_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  std::shared_ptr<const Document> document_ = std::make_shared<Document>();
};

void CurlBrowser::Queue(Event e) {
  pending_.push_back(std::move(e));
  if (deliveryPosted_) return;
  deliveryPosted_ = true;
  driver_->Post([this] { Deliver(); });
}

void CurlBrowser::Deliver() {
  deliveryPosted_ = false;
  std::deque<Event> batch;
  batch.swap(pending_);
  std::weak_ptr<bool> alive = alive_;
  int cancelled = 0;
  for (Event& e : batch) {
    // Events of a navigation that a later one replaced are dropped.
    if (e.serial != serial_ || e.serial == cancelled) continue;
    switch (e.kind) {
      case Kind::Progress:
        if (events_) events_->ProgressChange(e.value, kProgressMax);
        break;
      case Kind::Error: {
        bool cancel = false;
        if (events_) events_->NavigateError(e.url, std::string(), e.value, cancel);
        if (cancel) cancelled = e.serial;
        break;
      }
      case Kind::Complete:
        document_ = std::move(e.document);
        if (events_) events_->DocumentComplete(e.url);
        break;
      case Kind::Download:
        if (downloads_) downloads_->OfferDownload(e.offer);
        break;
    }
    if (alive.expired()) return;  // a handler destroyed the browser
  }
}

void CurlBrowser::Abandon() {
  if (!transfer_) return;
  driver_->Remove(transfer_->easy);
  transfer_.reset();
}

void CurlBrowser::Fail(const std::string& url, std::int32_t status) {
  Queue({Kind::Error, serial_, status, url, nullptr, {}});
  Queue({Kind::Complete, serial_, 0, url, ErrorPage(), {}});
}

void CurlBrowser::Navigate2(const std::string& url, std::int32_t, const std::string&, SharedPostData postData,
                            const std::string& headers) {
  Abandon();
  ++serial_;
  Queue({Kind::Progress, serial_, 0, {}, nullptr, {}});
  auto t = std::make_unique<Transfer>();
  t->serial = serial_;
  t->url = url;
  t->browser = this;
  t->stall = StallGuard(timeouts_.stallMs);
  t->easy = NewEasyHandle(timeouts_);
  if (!t->easy) return Fail(url, kInetDownloadFailure);
  CURL* easy = t->easy;
  curl_easy_setopt(easy, CURLOPT_URL, EscapeUrl(url).c_str());
  if (postData) {
    t->post = std::move(postData);
    static const char kEmpty[] = "";
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                     t->post->empty() ? kEmpty : reinterpret_cast<const char*>(t->post->data()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(t->post->size()));
  } else {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  }
  // Each CR LF-ended line is one header; a browser never waits for "100 Continue".
  std::string_view rest = headers;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of("\r\n");
    std::string_view line = Trim(rest.substr(0, end));
    if (!line.empty()) t->headers = curl_slist_append(t->headers, std::string(line).c_str());
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  }
  t->headers = curl_slist_append(t->headers, "Expect:");
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, t->headers);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlBrowser::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, t.get());
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlBrowser::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, t.get());
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &CurlBrowser::OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, t.get());
  if (!driver_->Add(easy)) return Fail(url, kInetDownloadFailure);
  transfer_ = std::move(t);
}

std::size_t CurlBrowser::OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<Transfer*>(user)->body.append(data, size * count);
  return size * count;
}

std::size_t CurlBrowser::OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  std::string_view line(data, size * count);
  if (line.substr(0, 5) == "HTTP/") {
    // Each reply (an interim one, a redirect, the final one) starts afresh.
    t->body.clear();
    t->contentType.clear();
    t->contentDisposition.clear();
  } else if (std::size_t colon = line.find(':'); colon != std::string_view::npos) {
    std::string name = AsciiLower(Trim(line.substr(0, colon)));
    std::string value(Trim(line.substr(colon + 1)));
    if (name == "content-type") t->contentType = value;
    if (name == "content-disposition") t->contentDisposition = value;
  }
  return size * count;
}

int CurlBrowser::OnProgress(void* user, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                            curl_off_t ulNow) {
  auto* t = static_cast<Transfer*>(user);
  t->stall.Update(dlNow + ulNow);
  curl_off_t total = dlTotal + ulTotal;
  if (total <= 0) return 0;
  curl_off_t now = dlNow + ulNow;
  auto value = static_cast<std::int32_t>(std::min<curl_off_t>(now, total) * kProgressMax / total);
  // The bar only moves forward, also when a reply's length becomes known late.
  if (value > t->progress) {
    t->progress = value;
    t->browser->Queue({Kind::Progress, t->serial, value, {}, nullptr, {}});
  }
  return 0;
}

// A transfer on which no byte moved for the stall time ends as timed out (checked from the loop, since
// libcurl calls no callback of an idle transfer).
void CurlBrowser::CheckStall() {
  if (transfer_ && transfer_->stall.Expired()) Finish(transfer_->easy, CURLE_OPERATION_TIMEDOUT);
}

void CurlBrowser::Finish(CURL* easy, CURLcode result) {
  if (!transfer_ || transfer_->easy != easy) {
    driver_->Remove(easy);
    return;
  }
  std::unique_ptr<Transfer> t = std::move(transfer_);
  driver_->Remove(easy);
  std::string url = t->url;
  long redirects = 0;
  curl_easy_getinfo(easy, CURLINFO_REDIRECT_COUNT, &redirects);
  char* effective = nullptr;
  if (redirects > 0 && curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
    url = effective;
  if (result != CURLE_OK) return Fail(url, StatusOfCurlError(result));
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 400) return Fail(url, static_cast<std::int32_t>(status));
  if (t->progress < kProgressMax) Queue({Kind::Progress, t->serial, kProgressMax, {}, nullptr, {}});
  switch (KindOfReply(t->contentType, t->contentDisposition)) {
    case ReplyKind::File: {
      DownloadOffer offer;
      offer.url = url;
      offer.fileName = DispositionFileName(t->contentDisposition);
      if (offer.fileName.empty()) offer.fileName = NameInUrl(url);
      offer.contentType = t->contentType;
      offer.data = std::move(t->body);
      Queue({Kind::Download, t->serial, 0, url, nullptr, std::move(offer)});
      return;
    }
    case ReplyKind::Html:
      Queue({Kind::Complete, t->serial, 0, url, ParseDocument(t->body, t->contentType), {}});
      return;
    case ReplyKind::Text:
      Queue({Kind::Complete, t->serial, 0, url, ParseTextDocument(t->body, t->contentType), {}});
      return;
  }
}

}  // namespace

std::unique_ptr<Browser> CreateBrowser(const Timeouts& timeouts) {
  return std::make_unique<CurlBrowser>(EffectiveTimeouts(timeouts));
}

}  // namespace platform::web
