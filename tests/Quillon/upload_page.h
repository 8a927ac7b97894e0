// A page for the registration tests: the photo control in a profile folder of the test's own, its staging folder
// with photos and estimate files, the upload set the form would hand over, and the browser the upload dialog gets
// (a fake, or the real one, with its events recorded on the way).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CUploadDialog.h"
#include "MessageText.h"
#include "QuillonStrings.h"
#include "UploadSet.h"
#include "fakes.h"
#include "platform/files.h"
#include "platform/ui/application.h"
#include "platform/web/browser_control.h"
#include "fake_browser.h"
#include "quillon_host.h"
#include "test_support.h"

namespace quillon_test {

namespace web = platform::web;

// The browser a control gets: a relay to one the page owns (a fake, or the real one), which tells the test each
// event before the control hears it. The page's browser outlives the control, so a test can see what was posted
// after the control went.
class RelayBrowser : public web::Browser, private web::BrowserEvents {
 public:
  struct Seen {
    char kind;  // 'P' progress, 'E' error, 'C' complete
    std::int32_t value = 0, max = 0;
  };

  RelayBrowser(web::Browser& inner, std::vector<Seen>& seen) : inner_(inner), seen_(seen) { inner_.SetEvents(this); }
  ~RelayBrowser() override { inner_.SetEvents(nullptr); }
  using web::Browser::Navigate2;
  void Navigate2(const std::string& url, std::int32_t flags, const std::string& frame, web::SharedPostData postData,
                 const std::string& headers) override {
    inner_.Navigate2(url, flags, frame, std::move(postData), headers);
  }
  std::shared_ptr<const web::Document> GetDocument() const override { return inner_.GetDocument(); }

 private:
  // Each forwards last: the control may go in its handler, and this relay with it.
  void ProgressChange(std::int32_t progress, std::int32_t progressMax) override {
    seen_.push_back({'P', progress, progressMax});
    if (events_) events_->ProgressChange(progress, progressMax);
  }
  void DocumentComplete(const std::string& url) override {
    seen_.push_back({'C'});
    if (events_) events_->DocumentComplete(url);
  }
  void NavigateError(const std::string& url, const std::string& frame, std::int32_t status, bool& cancel) override {
    seen_.push_back({'E', status});
    if (events_) events_->NavigateError(url, frame, status, cancel);
  }

  web::Browser& inner_;
  std::vector<Seen>& seen_;
};

// The session values every test page carries.
inline Params RegistrationParams(const std::string& serverUrl) {
  return Params{{"FuncID", "0"},
                {"ServerURL", serverUrl},
                {"GRP_CD", "G01"},
                {"MAP_ID", "M01"},
                {"BTN_ID", "B01"},
                {"SES_ID", "S123"},
                {"CGI_ID", "C0"},
                {"DBEstimateFileName1", "見積A.vek"},
                {"DBEstimateFilePrtName1", "見積A.vek"},
                {"DBEstimateFileTime1", "20240102030405"},
                {"DBEstimateEntryTime1", "20240203040506"}};
}

class UploadPage {
  // First, so that the control goes before its folders and browser maker.
  testing_support::TempFolder home_;
  testing_support::FakeEnvironmentScope env_;
  std::unique_ptr<web::Browser> browser_;
  web::BrowserMakerScope maker_;

 public:
  enum class Kind { Fake, Real, NoBrowser };  // NoBrowser: the browser control cannot be made

  explicit UploadPage(const std::string& serverUrl, Kind kind = Kind::Fake)
      : browser_(kind == Kind::Real       ? web::CreateBrowser({5000, 10000})
                 : kind == Kind::NoBrowser ? nullptr
                                           : std::make_unique<web::FakeBrowser>()),
        maker_([this]() -> std::unique_ptr<web::Browser> {
          if (!browser_) return nullptr;
          return std::make_unique<RelayBrowser>(*browser_, seen);
        }) {
    if (kind == Kind::Fake) fake = static_cast<web::FakeBrowser*>(browser_.get());
    env_.env.profileFolder = home_.path();
    staging = home_.path() + "/zentrovia/ImageUploadTemp";
    EXPECT_TRUE(platform::MakeFolders(staging));
    page = std::make_unique<QuillonPage>(RegistrationParams(serverUrl));
  }

  // A file of size bytes in the staging folder; its path.
  std::string AddFile(const std::string& name, std::size_t size) {
    std::string path = staging + "/" + name;
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + name.size()) & 0xFF);
    EXPECT_TRUE(platform::WriteFile(path, bytes.data(), bytes.size()));
    return path;
  }
  // One new photo, one registered one and one new estimate file, as the form hands them over.
  quillon::UploadSet TypicalSet(std::size_t photoSize = 3000) {
    quillon::UploadSet set;
    set.photos.push_back({AddFile("P1.jpg", photoSize), false, "P1.jpg", 640, 480, "20240301101112", ""});
    set.photos.push_back({staging + "/R2.jpg", true, "srv002.jpg", 0, 0, "20240302101112", "20240303101112"});
    set.estimateFiles.push_back(AddFile("見積B.vek", 2000));
    set.addedFileTimes = {"", "20240304101112"};
    set.added = true;
    set.imageFolder = "/photos";
    set.comment = "コメント";
    return set;
  }

  // What the form does on "確定": hands the set over, shows the upload dialog and starts step 1.
  void Start(const quillon::UploadSet& set) {
    ctrl().SetUploadSet(set);
    ctrl().ShowMode(2);
    ctrl().StartRegistration();
  }
  void Start() { Start(TypicalSet()); }

  quillon::CQuillonCtrl& ctrl() { return *page->ctrl; }
  quillon::CUploadDialog& dialog() { return *page->ctrl->UploadDialog(); }
  std::string Message() { return dialog().ItemText(quillon::CUploadDialog::kIdMessage); }
  std::string Caption() { return dialog().ItemText(quillon::CUploadDialog::kIdButton); }
  bool ButtonShown() { return dialog().IsItemVisible(quillon::CUploadDialog::kIdButton); }
  bool ButtonEnabled() { return dialog().IsItemEnabled(quillon::CUploadDialog::kIdButton); }
  bool ProgressShown() { return dialog().IsItemVisible(quillon::CUploadDialog::kIdProgress); }
  // The OnStatusChanged events so far: status and text.
  std::vector<std::pair<unsigned, std::string>> StatusEvents() const {
    std::vector<std::pair<unsigned, std::string>> out;
    for (const Event& e : page->events) {
      if (e.id == 2) out.emplace_back(e.args.at(0).AsUI4(), e.args.at(1).AsText());
    }
    return out;
  }
  const Event* LastEvent(com::DISPID id) const {
    for (auto it = page->events.rbegin(); it != page->events.rend(); ++it) {
      if (it->id == id) return &*it;
    }
    return nullptr;
  }

  web::FakeBrowser* fake = nullptr;
  std::vector<RelayBrowser::Seen> seen;
  std::string staging;
  std::unique_ptr<QuillonPage> page;
};

// A message of the control's table as the dialog shows it.
inline std::string TableMessage(int id, const std::vector<controls::MessageArg>& args = {""}) {
  return controls::FormatMessageText(quillon::LoadString(id), args);
}

}  // namespace quillon_test
