// The services of the page: every message box, file dialog, folder picker and download offer is answered by
// the services beneath (the script's queued answers, or Qt's dialogs for a person) and then printed as a line.
#pragma once

#include <functional>
#include <string>

#include "page_host.h"
#include "platform/ui/services.h"

namespace pagehost {

class PageServices : public platform::ui::Services {
 public:
  // scripted: the services beneath when they are the script's, so that a queued answer which fits no button of
  // its box is reported through onScriptError; nullptr for a person's.
  PageServices(platform::ui::Services& inner, platform::ui::ScriptedServices* scripted, PageHost& host,
               LineOutput output);
  ~PageServices() override;

  std::function<void(const std::string& error)> onScriptError;  // UTF-8

  platform::ui::BoxAnswer ShowMessageBox(const platform::ui::MessageBoxRequest& box,
                                         platform::ui::Window* owner) override;
  bool ChooseFile(const platform::ui::FileDialogRequest& request, platform::ui::Window* owner,
                  std::string& path) override;
  bool ChooseFolder(const platform::ui::FolderRequest& request, platform::ui::Window* owner,
                    std::string& path) override;
  bool OfferDownload(const platform::ui::DownloadOffer& offer, platform::ui::Window* owner,
                     std::string& path) override;

 private:
  void PrintDialog(platform::ui::Window* owner, const char* kind, bool chosen, const std::string& path);

  platform::ui::Services& inner_;
  platform::ui::ScriptedServices* scripted_;
  PageHost& host_;
  LineOutput output_;
  std::string unexpected_;  // what the scripted services found amiss in the request being answered
};

}  // namespace pagehost
