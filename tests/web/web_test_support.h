// What the web tests share: running the event loop, and a sink and handler that record what the browser tells.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image_server.h"
#include "platform/web/browser.h"

namespace web_test {

// Runs the thread's event loop until done() holds or timeoutMs pass; gives done().
bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs = 10000);
// Runs the event loop for ms, whatever happens.
void RunLoopFor(int ms);

using testing_support::ClosedPort;

struct Event {
  enum Kind { Progress, Error, Complete, Download } kind;
  std::int32_t value = 0, max = 0;
  std::string url;
};

class Recorder : public platform::web::BrowserEvents, public platform::web::DownloadHandler {
 public:
  std::vector<Event> events;
  std::vector<platform::web::DownloadOffer> offers;
  // Called after each event is recorded (a test's handler may navigate again, or end the browser).
  std::function<void(const Event&)> then;
  bool cancelErrors = false;

  void ProgressChange(std::int32_t progress, std::int32_t progressMax) override;
  void DocumentComplete(const std::string& url) override;
  void NavigateError(const std::string& url, const std::string& frame, std::int32_t status, bool& cancel) override;
  void OfferDownload(const platform::web::DownloadOffer& offer) override;

  int Count(Event::Kind kind) const;
  // The kinds in order with repeated progress events shown once: "P E C", "P C", "P D".
  std::string Order() const;
};

}  // namespace web_test
