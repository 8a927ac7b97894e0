#include "curl_common.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <thread>  // the monotonic clock (<chrono> does not build with CP932 literals)

namespace platform::web {

namespace {

// The cookie store of the process, shared by every handle. Everything runs on one thread, so the share
// needs no locks.
struct Share {
  CURLSH* handle = nullptr;
  Share() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    handle = curl_share_init();
    if (handle) curl_share_setopt(handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  }
  ~Share() {
    // Refused while a handle still uses it; the process ends either way.
    if (handle) curl_share_cleanup(handle);
  }
};

CURLSH* ProcessShare() {
  static Share share;
  return share.handle;
}

}  // namespace

CURL* NewEasyHandle(const Timeouts& timeouts) {
  CURLSH* share = ProcessShare();
  CURL* easy = curl_easy_init();
  if (!easy) return nullptr;
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  if (share) curl_easy_setopt(easy, CURLOPT_SHARE, share);
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");  // the cookie engine on, nothing read from a file
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "Mozilla/5.0 (compatible; vekweb/1.0)");
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 20L);
  curl_easy_setopt(easy, CURLOPT_AUTOREFERER, 1L);
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  if (timeouts.connectMs > 0) curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts.connectMs));
  // The stall limit is the transfer's StallGuard, not libcurl's low-speed check: that one averages in whole
  // bytes a second and would cut a reply that trickles slower than that but never stops.
  return easy;
}

namespace {

double g_scale = 0.0;  // 0: the environment's

}  // namespace

void SetTimeoutScale(double scale) { g_scale = scale > 0.0 && scale < 1.0 ? scale : 0.0; }

Timeouts EffectiveTimeouts(const Timeouts& timeouts) {
  static const double environment = [] {
    const char* text = std::getenv("VEK_WEB_TIMEOUT_SCALE");
    char* end = nullptr;
    const double value = text ? std::strtod(text, &end) : 0.0;
    return text && end != text && *end == '\0' && value > 0.0 && value < 1.0 ? value : 1.0;
  }();
  const double scale = g_scale > 0.0 ? g_scale : environment;
  if (scale == 1.0) return timeouts;
  auto scaled = [scale](int ms) { return ms <= 0 ? ms : std::max(1, static_cast<int>(ms * scale)); };
  return {scaled(timeouts.connectMs), scaled(timeouts.stallMs)};
}

std::string EscapeUrl(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

namespace {

std::int64_t MonotonicMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

StallGuard::StallGuard(int stallMs) : stallMs_(stallMs), since_(MonotonicMilliseconds()) {}

void StallGuard::Update(curl_off_t moved) {
  if (moved == moved_) return;
  moved_ = moved;
  since_ = MonotonicMilliseconds();
}

bool StallGuard::Expired() const { return stallMs_ > 0 && MonotonicMilliseconds() - since_ >= stallMs_; }

int StallProgress(void* guard, curl_off_t, curl_off_t dlNow, curl_off_t, curl_off_t ulNow) {
  auto* g = static_cast<StallGuard*>(guard);
  g->Update(dlNow + ulNow);
  return g->Expired() ? 1 : 0;
}

std::int32_t StatusOfCurlError(CURLcode code) {
  switch (code) {
    case CURLE_URL_MALFORMAT:
      return kInetInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return kInetUnknownProtocol;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kInetResourceNotFound;
    case CURLE_COULDNT_CONNECT:
      return kInetCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_ABORTED_BY_CALLBACK:
      return kInetConnectionTimeout;
    case CURLE_TOO_MANY_REDIRECTS:
      return kInetRedirectFailed;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
      return kInetSecurityProblem;
    default:
      return kInetDownloadFailure;
  }
}

}  // namespace platform::web
