#include "page_services.h"

#include "charset.h"
#include "json_line.h"

namespace pagehost {

namespace ui = platform::ui;

PageServices::PageServices(ui::Services& inner, ui::ScriptedServices* scripted, PageHost& host, LineOutput output)
    : inner_(inner), scripted_(scripted), host_(host), output_(std::move(output)) {
  if (scripted_) scripted_->onUnexpected = [this](const std::string& what) { unexpected_ = what; };
}

PageServices::~PageServices() {
  if (scripted_) scripted_->onUnexpected = nullptr;
}

ui::BoxAnswer PageServices::ShowMessageBox(const ui::MessageBoxRequest& box, ui::Window* owner) {
  std::string object = host_.ObjectOf(owner);
  unexpected_.clear();
  ui::BoxAnswer answer = inner_.ShowMessageBox(box, owner);
  output_(BoxLine(object, box, answer));
  // A box with nothing queued takes its default button; a queued answer it has no button for is the script's
  // mistake.
  if (!unexpected_.empty() && onScriptError) onScriptError(Cp932ToUtf8Lossy(unexpected_));
  return answer;
}

void PageServices::PrintDialog(ui::Window* owner, const char* kind, bool chosen, const std::string& path) {
  output_(DialogLine(host_.ObjectOf(owner), kind, chosen ? &path : nullptr));
}

// A dialog with nothing queued is cancelled, as a person who closes it.
bool PageServices::ChooseFile(const ui::FileDialogRequest& request, ui::Window* owner, std::string& path) {
  bool chosen = inner_.ChooseFile(request, owner, path);
  PrintDialog(owner, request.save ? "save" : "open", chosen, path);
  return chosen;
}

bool PageServices::ChooseFolder(const ui::FolderRequest& request, ui::Window* owner, std::string& path) {
  bool chosen = inner_.ChooseFolder(request, owner, path);
  PrintDialog(owner, "folder", chosen, path);
  return chosen;
}

bool PageServices::OfferDownload(const ui::DownloadOffer& offer, ui::Window* owner, std::string& path) {
  bool chosen = inner_.OfferDownload(offer, owner, path);
  PrintDialog(owner, "download", chosen, path);
  return chosen;
}

}  // namespace pagehost
