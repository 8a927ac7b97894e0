#include "platform/ui/services.h"

namespace platform::ui {

namespace {

Services* g_services = nullptr;

const char* KindName(ScriptedServices::Kind kind) {
  switch (kind) {
    case ScriptedServices::Kind::MessageBox:
      return "message box";
    case ScriptedServices::Kind::OpenFile:
      return "open-file dialog";
    case ScriptedServices::Kind::SaveFile:
      return "save-as dialog";
    case ScriptedServices::Kind::Folder:
      return "folder picker";
    case ScriptedServices::Kind::Download:
      return "download offer";
  }
  return "request";
}

bool Fits(BoxAnswer answer, BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return answer == BoxAnswer::Ok;
    case BoxButtons::OkCancel:
      return answer == BoxAnswer::Ok || answer == BoxAnswer::Cancel;
    case BoxButtons::YesNo:
      return answer == BoxAnswer::Yes || answer == BoxAnswer::No;
  }
  return false;
}

}  // namespace

BoxAnswer DefaultAnswer(const MessageBoxRequest& box) {
  bool second = box.defaultButton == 1;
  switch (box.buttons) {
    case BoxButtons::Ok:
      return BoxAnswer::Ok;
    case BoxButtons::OkCancel:
      return second ? BoxAnswer::Cancel : BoxAnswer::Ok;
    case BoxButtons::YesNo:
      return second ? BoxAnswer::No : BoxAnswer::Yes;
  }
  return BoxAnswer::Ok;
}

void SetServices(Services* services) { g_services = services; }

Services& CurrentServices() { return g_services ? *g_services : QtDialogServices(); }

ServicesScope::ServicesScope(Services& services) : previous_(g_services) { g_services = &services; }

ServicesScope::~ServicesScope() { g_services = previous_; }

void ScriptedServices::QueueAnswer(BoxAnswer answer) { answers_.push_back(answer); }

void ScriptedServices::QueuePath(const std::string& path) { paths_.push_back(PathAnswer{true, path}); }

void ScriptedServices::QueueCancel() { paths_.push_back(PathAnswer{false, {}}); }

void ScriptedServices::Unexpected(const std::string& what) {
  if (onUnexpected) onUnexpected(what);
}

void ScriptedServices::Record(const Request& request) {
  requests_.push_back(request);
  if (onRequest) onRequest(request);
}

BoxAnswer ScriptedServices::ShowMessageBox(const MessageBoxRequest& box, Window*) {
  Request request;
  request.kind = Kind::MessageBox;
  request.box = box;
  request.answer = DefaultAnswer(box);
  if (!answers_.empty()) {
    BoxAnswer queued = answers_.front();
    answers_.pop_front();
    if (Fits(queued, box.buttons)) {
      request.answer = queued;
    } else {
      Unexpected(std::string("message box \"") + box.text + "\" has no button for the queued answer");
    }
  } else if (!defaultWhenUnqueued_) {
    Unexpected(std::string("message box \"") + box.text + "\" with no answer queued");
  }
  Record(request);
  return request.answer;
}

bool ScriptedServices::NextPath(const std::string& what, Request& request, std::string& path) {
  if (paths_.empty()) {
    Unexpected(std::string(KindName(request.kind)) + " \"" + what + "\" with no answer queued");
    request.chosen = false;
  } else {
    request.chosen = paths_.front().chosen;
    request.path = paths_.front().path;
    paths_.pop_front();
  }
  Record(request);
  if (request.chosen) path = request.path;
  return request.chosen;
}

bool ScriptedServices::ChooseFile(const FileDialogRequest& file, Window*, std::string& path) {
  Request request;
  request.kind = file.save ? Kind::SaveFile : Kind::OpenFile;
  request.file = file;
  return NextPath(file.title, request, path);
}

bool ScriptedServices::ChooseFolder(const FolderRequest& folder, Window*, std::string& path) {
  Request request;
  request.kind = Kind::Folder;
  request.folder = folder;
  return NextPath(folder.title, request, path);
}

bool ScriptedServices::OfferDownload(const DownloadOffer& offer, Window*, std::string& path) {
  Request request;
  request.kind = Kind::Download;
  request.download = offer;
  return NextPath(offer.fileName, request, path);
}

}  // namespace platform::ui
