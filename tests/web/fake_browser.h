// A browser for unit tests: records every Navigate2 and lets the test play the browser's events.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/web/browser.h"

namespace platform::web {

class FakeBrowser : public Browser {
 public:
  struct Navigation {
    std::string url;
    std::int32_t flags = 0;
    std::string targetFrame;
    SharedPostData postData;  // null for a GET
    std::string headers;
  };

  using Browser::Navigate2;
  void Navigate2(const std::string& url, std::int32_t flags, const std::string& targetFrame,
                 SharedPostData postData, const std::string& headers) override;
  std::shared_ptr<const Document> GetDocument() const override { return document_; }

  const std::vector<Navigation>& navigations() const { return navigations_; }

  // Each call reaches the installed sink (or handler) at once, as the browser's loop would deliver it.
  void DeliverProgressChange(std::int32_t progress, std::int32_t progressMax = kProgressMax);
  // Shows the page made of html (decoded as ParseDocument does with contentType), then DocumentComplete.
  void DeliverDocumentComplete(std::string_view html, const std::string& url = {},
                               std::string_view contentType = "text/html; charset=Shift_JIS");
  // NavigateError; gives what the sink set in cancel.
  bool DeliverNavigateError(const std::string& url, std::int32_t status, const std::string& frame = {});
  void DeliverDownloadOffer(const DownloadOffer& offer);

 private:
  std::vector<Navigation> navigations_;
  std::shared_ptr<const Document> document_ = std::make_shared<Document>();
};

}  // namespace platform::web
