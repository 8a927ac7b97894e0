// libcurl's multi interface driven by the calling thread's Qt event loop: socket notifiers for the
// transfers' sockets and one timer for libcurl's time-outs. No thread of its own.
#pragma once

#include <curl/curl.h>

#include <functional>
#include <memory>

namespace platform::web {

class MultiDriver {
 public:
  // done is called from the event loop, outside every libcurl callback, once per finished transfer
  // (the handle is still added: done may remove it, or destroy the driver).
  using Done = std::function<void(CURL* easy, CURLcode result)>;
  // tick is called from the event loop every tickMs while a transfer is added, outside every libcurl
  // callback (it may remove handles).
  MultiDriver(Done done, std::function<void()> tick, int tickMs);
  ~MultiDriver();
  MultiDriver(const MultiDriver&) = delete;
  MultiDriver& operator=(const MultiDriver&) = delete;

  bool Add(CURL* easy);
  // Not from inside a libcurl callback.
  void Remove(CURL* easy);

  // Runs fn from the event loop after the current event; dropped when the driver goes first.
  void Post(std::function<void()> fn);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform::web
