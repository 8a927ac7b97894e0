// What the browser and the HTTP GET share on libcurl: set-up, the process's cookies, options, error codes.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/web/browser.h"

namespace platform::web {

// An easy handle with the options both use: the process's cookie store, redirects followed as a browser
// follows them (at most 20), HTTP and HTTPS only, compressed replies accepted, no signals, the connection
// time-out (a stall is the caller's StallGuard).
// Null when libcurl cannot make one.
CURL* NewEasyHandle(const Timeouts& timeouts);

// The URL libcurl is given for a CP932 URL: bytes that no URL may hold (controls, space, 0x7F and 0x80 and
// up) percent-encoded, everything else as it is.
std::string EscapeUrl(std::string_view url);

// Tells a stall: no byte moved either way for the stall time. libcurl's own low-speed check (also set, as
// a backstop) averages over several seconds, so it finds a stall that follows a burst seconds late.
// The network runs on real time: this reads the system's monotonic clock, not the platform's clock.
class StallGuard {
 public:
  explicit StallGuard(int stallMs);  // the clock starts now
  // The bytes moved so far, either way.
  void Update(curl_off_t moved);
  // No byte moved for the stall time (never with a stall time of 0).
  bool Expired() const;

 private:
  int stallMs_;
  curl_off_t moved_ = 0;
  std::int64_t since_;
};

// libcurl's progress callback over a StallGuard (user data): a stall aborts the transfer.
int StallProgress(void* guard, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal, curl_off_t ulNow);

// The navigation status of a transfer that ended without an HTTP reply (a stall counts as a time-out).
std::int32_t StatusOfCurlError(CURLcode code);

}  // namespace platform::web
