// Plain HTTP GET that blocks the caller: the status code, then the body read in the caller's chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/web/browser.h"

namespace platform::web {

// One reply, received whole before OpenUrl returns.
class HttpFile {
 public:
  HttpFile(int statusCode, std::string body, bool complete)
      : status_(statusCode), body_(std::move(body)), complete_(complete) {}
  // The final reply's HTTP status (redirects followed).
  int StatusCode() const { return status_; }
  // Reads up to size bytes of the body: the count read; 0 at the end of a complete body; -1 once the bytes
  // that came are read, when the reply broke off (or stalled) before its end. A short read is not the end.
  std::int64_t Read(void* buffer, std::size_t size);

 private:
  int status_;
  std::string body_;
  bool complete_;
  std::size_t position_ = 0;
};

// A GET blocks the page while it waits: a server that does not answer is given up on sooner.
inline constexpr Timeouts kHttpGetTimeouts{15000, 30000};

// In place of an Internet session: one connection cache for its GETs, the process's cookies, the time-outs.
class HttpSession {
 public:
  explicit HttpSession(const Timeouts& timeouts = kHttpGetTimeouts);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  // GETs url (CP932, escaped as Browser::Navigate2 escapes it), following redirects. Null when no reply
  // status arrived (refused, name not found, timed out, dropped); then *error, when given, holds one of the
  // kInet codes.
  std::unique_ptr<HttpFile> OpenUrl(const std::string& url, std::int32_t* error = nullptr);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::web
