#include "platform/web/http_get.h"

#include <algorithm>
#include <cstring>

#include "curl_common.h"

namespace platform::web {

std::int64_t HttpFile::Read(void* buffer, std::size_t size) {
  std::size_t n = std::min(size, body_.size() - position_);
  if (n == 0) return (complete_ || size == 0) ? 0 : -1;
  std::memcpy(buffer, body_.data() + position_, n);
  position_ += n;
  return static_cast<std::int64_t>(n);
}

struct HttpSession::Impl {
  CURL* easy = nullptr;
  int stallMs = 0;
  ~Impl() {
    if (easy) curl_easy_cleanup(easy);
  }
};

namespace {

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  // A new reply (after an interim one or a redirect) starts the body afresh.
  if (size * count >= 5 && std::memcmp(data, "HTTP/", 5) == 0) static_cast<std::string*>(user)->clear();
  return size * count;
}

}  // namespace

HttpSession::HttpSession(const Timeouts& timeouts) : impl_(std::make_unique<Impl>()) {
  const Timeouts effective = EffectiveTimeouts(timeouts);
  impl_->easy = NewEasyHandle(effective);
  impl_->stallMs = effective.stallMs;
}

HttpSession::~HttpSession() = default;

std::unique_ptr<HttpFile> HttpSession::OpenUrl(const std::string& url, std::int32_t* error) {
  if (error) *error = 0;
  CURL* easy = impl_->easy;
  if (!easy) {
    if (error) *error = kInetDownloadFailure;
    return nullptr;
  }
  std::string body;
  curl_easy_setopt(easy, CURLOPT_URL, EscapeUrl(url).c_str());
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &body);
  StallGuard stall(impl_->stallMs);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &StallProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &stall);
  CURLcode result = curl_easy_perform(easy);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  if (status == 0) {
    if (error) *error = result == CURLE_OK ? kInetDownloadFailure : StatusOfCurlError(result);
    return nullptr;
  }
  if (result != CURLE_OK && error) *error = StatusOfCurlError(result);
  return std::make_unique<HttpFile>(static_cast<int>(status), std::move(body), result == CURLE_OK);
}

}  // namespace platform::web
