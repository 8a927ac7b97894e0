#include "fake_browser.h"

namespace platform::web {

void FakeBrowser::Navigate2(const std::string& url, std::int32_t flags, const std::string& targetFrame,
                            SharedPostData postData, const std::string& headers) {
  navigations_.push_back({url, flags, targetFrame, std::move(postData), headers});
}

void FakeBrowser::DeliverProgressChange(std::int32_t progress, std::int32_t progressMax) {
  if (events_) events_->ProgressChange(progress, progressMax);
}

void FakeBrowser::DeliverDocumentComplete(std::string_view html, const std::string& url,
                                          std::string_view contentType) {
  document_ = ParseDocument(html, contentType);
  if (events_) events_->DocumentComplete(url);
}

bool FakeBrowser::DeliverNavigateError(const std::string& url, std::int32_t status, const std::string& frame) {
  bool cancel = false;
  if (events_) events_->NavigateError(url, frame, status, cancel);
  return cancel;
}

void FakeBrowser::DeliverDownloadOffer(const DownloadOffer& offer) {
  if (downloads_) downloads_->OfferDownload(offer);
}

}  // namespace platform::web
