#include "web_test_support.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

namespace web_test {

bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

void RunLoopFor(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
}

void Recorder::ProgressChange(std::int32_t progress, std::int32_t progressMax) {
  events.push_back({Event::Progress, progress, progressMax, {}});
  if (then) then(events.back());
}

void Recorder::DocumentComplete(const std::string& url) {
  events.push_back({Event::Complete, 0, 0, url});
  if (then) then(events.back());
}

void Recorder::NavigateError(const std::string& url, const std::string&, std::int32_t status, bool& cancel) {
  events.push_back({Event::Error, status, 0, url});
  cancel = cancelErrors;
  if (then) then(events.back());
}

void Recorder::OfferDownload(const platform::web::DownloadOffer& offer) {
  offers.push_back(offer);
  events.push_back({Event::Download, 0, 0, offer.url});
  if (then) then(events.back());
}

int Recorder::Count(Event::Kind kind) const {
  int n = 0;
  for (const Event& e : events) n += e.kind == kind;
  return n;
}

std::string Recorder::Order() const {
  static const char kLetters[] = "PECD";
  std::string out;
  for (const Event& e : events) {
    char c = kLetters[e.kind];
    if (c == 'P' && !out.empty() && out.back() == 'P') continue;
    if (!out.empty()) out += ' ';
    out += c;
  }
  return out;
}

}  // namespace web_test
