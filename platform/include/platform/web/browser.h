// The browser the controls embed: posts forms and reads the reply page, with a browser's events.
//
// Navigate2 returns at once; the transfer runs on the calling thread's event loop (which must belong to a
// QCoreApplication or QApplication) and its events reach the installed BrowserEvents later, from that loop,
// never from inside Navigate2:
//   ProgressChange (one or more) then DocumentComplete, for a reply page;
//   NavigateError then DocumentComplete of an error page, for a failed navigation;
//   ProgressChange then DownloadHandler::OfferDownload and no DocumentComplete, for a reply that is a file.
// A navigation started while another runs replaces it: the earlier one is dropped and fires nothing more.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web/document.h"

namespace platform::web {

// Status codes of a navigation that failed before an HTTP status arrived (negative, as NavigateError
// reports them; printed with "%x" they read 800c0004 and so on).
inline constexpr std::int32_t kInetInvalidUrl = static_cast<std::int32_t>(0x800C0002u);
inline constexpr std::int32_t kInetCannotConnect = static_cast<std::int32_t>(0x800C0004u);
inline constexpr std::int32_t kInetResourceNotFound = static_cast<std::int32_t>(0x800C0005u);  // name look-up
inline constexpr std::int32_t kInetDownloadFailure = static_cast<std::int32_t>(0x800C0008u);   // reply broken off
inline constexpr std::int32_t kInetConnectionTimeout = static_cast<std::int32_t>(0x800C000Bu);
inline constexpr std::int32_t kInetUnknownProtocol = static_cast<std::int32_t>(0x800C000Du);
inline constexpr std::int32_t kInetSecurityProblem = static_cast<std::int32_t>(0x800C000Eu);
inline constexpr std::int32_t kInetRedirectFailed = static_cast<std::int32_t>(0x800C0014u);

// The range of ProgressChange: progress runs from 0 to kProgressMax.
inline constexpr std::int32_t kProgressMax = 10000;

// How long a transfer may wait: for the connection, and for any byte to move once connected (0: no limit).
struct Timeouts {
  int connectMs = 0;
  int stallMs = 0;
};
// The browser runs beside the page: a server that works on a large registration may stay silent for a while,
// but a step that receives nothing for a minute is given up on. A transfer that moves is never cut.
inline constexpr Timeouts kBrowserTimeouts{30000, 60000};

// The time-outs a transfer runs with: timeouts as given, or each multiplied by $VEK_WEB_TIMEOUT_SCALE (a
// factor between 0 and 1, read once) so that end-to-end tests of a server that never answers do not wait the real
// limits. A limit of 0 (none) stays 0.
Timeouts EffectiveTimeouts(const Timeouts& timeouts);
// For tests in one process: the factor in place of the environment's (a value outside (0, 1) restores it).
void SetTimeoutScale(double scale);

// The browser's events. URLs are CP932, as the caller navigated (or, after a redirect, the final address).
class BrowserEvents {
 public:
  virtual ~BrowserEvents() = default;
  virtual void ProgressChange(std::int32_t progress, std::int32_t progressMax) = 0;
  virtual void DocumentComplete(const std::string& url) = 0;
  // status: the HTTP status (400 and up), or one of the kInet codes. Setting cancel suppresses the error
  // page (and so its DocumentComplete).
  virtual void NavigateError(const std::string& url, const std::string& frame, std::int32_t status,
                             bool& cancel) = 0;
};

// A reply that is a file (sent as an attachment, or of a type that is no text).
struct DownloadOffer {
  std::string url;          // CP932
  std::string fileName;     // CP932, the name the reply proposes (no folder part), else the URL's last part
  std::string contentType;  // as the reply sent it
  std::string data;         // the file's bytes
};

// Asks the person what to do with a file (the window layer's services save it where they choose).
class DownloadHandler {
 public:
  virtual ~DownloadHandler() = default;
  virtual void OfferDownload(const DownloadOffer& offer) = 0;
};

using PostData = std::vector<std::uint8_t>;
// Post data handed over without a copy: the browser keeps it, unchanged, until the transfer has ended.
using SharedPostData = std::shared_ptr<const PostData>;

class Browser {
 public:
  virtual ~Browser() = default;

  // The sink of the events and the handler of files; either may be null (then nothing is told).
  void SetEvents(BrowserEvents* events) { events_ = events; }
  void SetDownloadHandler(DownloadHandler* handler) { downloads_ = handler; }

  // Sends a POST of postData (a GET when it is null) to url (CP932; bytes that no URL may hold, such as
  // spaces and bytes of 0x80 and up, are sent percent-encoded). headers: header lines, each ended by CR LF
  // (e.g. "Content-Type: text/html;\r\n"). flags and targetFrame are accepted and not used: every page
  // loads into this browser.
  virtual void Navigate2(const std::string& url, std::int32_t flags, const std::string& targetFrame,
                         SharedPostData postData, const std::string& headers) = 0;
  // The same with post data of the caller's (none: a GET).
  void Navigate2(const std::string& url, std::int32_t flags, const std::string& targetFrame,
                 std::optional<PostData> postData, const std::string& headers) {
    Navigate2(url, flags, targetFrame,
              postData ? std::make_shared<const PostData>(std::move(*postData)) : SharedPostData(), headers);
  }

  // The page shown: the empty page before the first DocumentComplete, then the page of the last one.
  virtual std::shared_ptr<const Document> GetDocument() const = 0;

 protected:
  BrowserEvents* events_ = nullptr;
  DownloadHandler* downloads_ = nullptr;
};

// The browser over libcurl. Redirects are followed as a browser does (a POST becomes a GET after 301, 302
// and 303); cookies are kept for the process and shared with every browser and HttpSession.
std::unique_ptr<Browser> CreateBrowser(const Timeouts& timeouts = kBrowserTimeouts);

}  // namespace platform::web
