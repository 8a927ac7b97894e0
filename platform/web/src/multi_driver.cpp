#include "multi_driver.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <map>
#include <vector>
#include <memory>

namespace platform::web {

struct MultiDriver::Impl {
  struct Watch {
    std::unique_ptr<QSocketNotifier> read, write;
  };

  Done done;
  std::function<void()> tick;
  CURLM* multi = nullptr;
  QObject context;  // owns the notifiers' connections and the posted calls
  QTimer timer;
  QTimer ticker;
  int added = 0;
  std::map<curl_socket_t, Watch> watches;
  // Notifiers no longer wanted, freed from the loop later: one may be emitting the signal that led here.
  std::vector<std::unique_ptr<QSocketNotifier>> retired;
  bool freeingPosted = false;

  Impl(Done d, std::function<void()> t, int tickMs) : done(std::move(d)), tick(std::move(t)) {
    multi = curl_multi_init();
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &context, [this] { Act(CURL_SOCKET_TIMEOUT, 0); });
    ticker.setInterval(tickMs);
    QObject::connect(&ticker, &QTimer::timeout, &context, [this] { tick(); });
    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Impl::OnSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Impl::OnTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
  }

  ~Impl() {
    timer.stop();
    ticker.stop();
    watches.clear();
    retired.clear();
    curl_multi_cleanup(multi);
  }

  static int OnTimer(CURLM*, long timeoutMs, void* data) {
    auto* self = static_cast<Impl*>(data);
    if (timeoutMs < 0) {
      self->timer.stop();
    } else {
      self->timer.start(static_cast<int>(timeoutMs));
    }
    return 0;
  }

  static int OnSocket(CURL*, curl_socket_t s, int what, void* data, void*) {
    auto* self = static_cast<Impl*>(data);
    Watch& w = self->watches[s];
    bool wantRead = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    bool wantWrite = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    self->Set(w.read, s, QSocketNotifier::Read, wantRead, CURL_CSELECT_IN);
    self->Set(w.write, s, QSocketNotifier::Write, wantWrite, CURL_CSELECT_OUT);
    if (what == CURL_POLL_REMOVE) self->watches.erase(s);
    return 0;
  }

  void Set(std::unique_ptr<QSocketNotifier>& n, curl_socket_t s, QSocketNotifier::Type type, bool want,
           int selectBit) {
    if (want && !n) {
      n = std::make_unique<QSocketNotifier>(s, type);
      QObject::connect(n.get(), &QSocketNotifier::activated, &context,
                       [this, s, selectBit] { Act(s, selectBit); });
    } else if (!want && n) {
      n->setEnabled(false);
      retired.push_back(std::move(n));
      if (!freeingPosted) {
        freeingPosted = true;
        QMetaObject::invokeMethod(
            &context,
            [this] {
              freeingPosted = false;
              retired.clear();
            },
            Qt::QueuedConnection);
      }
    }
  }

  void Act(curl_socket_t s, int bits) {
    int running = 0;
    curl_multi_socket_action(multi, s, bits, &running);
    // Finished transfers are told after libcurl has returned; done may remove handles or end the driver.
    QPointer<QObject> alive(&context);
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg != CURLMSG_DONE) continue;
      CURL* easy = msg->easy_handle;
      CURLcode result = msg->data.result;
      done(easy, result);
      if (!alive) return;
    }
  }
};

MultiDriver::MultiDriver(Done done, std::function<void()> tick, int tickMs)
    : impl_(std::make_unique<Impl>(std::move(done), std::move(tick), tickMs)) {}

MultiDriver::~MultiDriver() = default;

bool MultiDriver::Add(CURL* easy) {
  if (curl_multi_add_handle(impl_->multi, easy) != CURLM_OK) return false;
  if (impl_->added++ == 0) impl_->ticker.start();
  return true;
}

void MultiDriver::Remove(CURL* easy) {
  if (curl_multi_remove_handle(impl_->multi, easy) != CURLM_OK) return;
  if (--impl_->added == 0) impl_->ticker.stop();
}

void MultiDriver::Post(std::function<void()> fn) {
  QMetaObject::invokeMethod(&impl_->context, std::move(fn), Qt::QueuedConnection);
}

}  // namespace platform::web
