// Everything that asks the person: message boxes, the open and save-as file dialogs, the folder picker and the
// offer of a downloaded file. One interface, installed for the process: Qt's dialogs for people, a scripted
// one for tests and the page host. Texts and paths are CP932.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace platform::ui {

class Window;

enum class BoxIcon { None, Stop, Exclamation, Question, Information };
enum class BoxButtons { Ok, OkCancel, YesNo };
// Numbered as the system numbers its answers.
enum class BoxAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MessageBoxRequest {
  std::string text;
  std::string title;
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
  int defaultButton = 0;  // 0 the first button, 1 the second
};

// The answer of the default button of a box.
BoxAnswer DefaultAnswer(const MessageBoxRequest& box);

// Flags of a file dialog.
inline constexpr unsigned kHideReadOnly = 1u << 0;
inline constexpr unsigned kNoChangeDir = 1u << 1;
inline constexpr unsigned kFileMustExist = 1u << 2;
inline constexpr unsigned kOverwritePrompt = 1u << 3;
inline constexpr unsigned kPathMustExist = 1u << 4;

struct FileDialogRequest {
  bool save = false;  // save-as, else open
  std::string title;
  std::string filter;            // "description|pattern|description|pattern|", patterns joined by ";"
  std::string defaultExtension;  // added to a typed name without one, when it is a plain extension
  std::string initialFolder;
  std::string fileName;  // proposed name
  unsigned flags = 0;
};

struct FolderRequest {
  std::string title;
  std::string initialFolder;
};

struct DownloadOffer {
  std::string fileName;
  std::int64_t size = -1;  // bytes, -1 when unknown
};

class Services {
 public:
  virtual ~Services() = default;
  // owner: the window the question belongs to, or none.
  virtual BoxAnswer ShowMessageBox(const MessageBoxRequest& box, Window* owner) = 0;
  // The chosen path, or false when the person cancelled.
  virtual bool ChooseFile(const FileDialogRequest& request, Window* owner, std::string& path) = 0;
  virtual bool ChooseFolder(const FolderRequest& request, Window* owner, std::string& path) = 0;
  // The path to save the download to, or false when it is declined.
  virtual bool OfferDownload(const DownloadOffer& offer, Window* owner, std::string& path) = 0;
};

// The services every window uses; nullptr restores Qt's dialogs.
void SetServices(Services* services);
Services& CurrentServices();
Services& QtDialogServices();

// Answers from queues and records every request. A message box takes the next queued box answer, or its
// default button when none is queued (unless that is turned off); a file dialog, folder picker or download
// offer takes the next queued path or cancel. A request it cannot answer, or a queued answer that is not one of
// a box's buttons, is reported through onUnexpected (it never blocks) and answered with the default or cancel.
class ScriptedServices : public Services {
 public:
  enum class Kind { MessageBox, OpenFile, SaveFile, Folder, Download };
  struct Request {
    Kind kind = Kind::MessageBox;
    MessageBoxRequest box;
    FileDialogRequest file;
    FolderRequest folder;
    DownloadOffer download;
    BoxAnswer answer = BoxAnswer::Ok;  // message boxes
    bool chosen = false;               // the others: a path was given
    std::string path;
  };

  void QueueAnswer(BoxAnswer answer);
  void QueuePath(const std::string& path);
  void QueueCancel();
  // false: a message box with no answer queued is unexpected too.
  void SetDefaultWhenUnqueued(bool takeDefault) { defaultWhenUnqueued_ = takeDefault; }

  std::function<void(const std::string& what)> onUnexpected;  // CP932 description of the request
  std::function<void(const Request& request)> onRequest;      // each request after it was answered

  const std::vector<Request>& Requests() const { return requests_; }
  void ClearRequests() { requests_.clear(); }
  std::size_t QueuedAnswers() const { return answers_.size(); }
  std::size_t QueuedPaths() const { return paths_.size(); }

  BoxAnswer ShowMessageBox(const MessageBoxRequest& box, Window* owner) override;
  bool ChooseFile(const FileDialogRequest& request, Window* owner, std::string& path) override;
  bool ChooseFolder(const FolderRequest& request, Window* owner, std::string& path) override;
  bool OfferDownload(const DownloadOffer& offer, Window* owner, std::string& path) override;

 private:
  struct PathAnswer {
    bool chosen = false;
    std::string path;
  };
  // Answers request from the queue of paths, records it and gives the path when one was chosen.
  bool NextPath(const std::string& what, Request& request, std::string& path);
  void Unexpected(const std::string& what);
  void Record(const Request& request);

  std::deque<BoxAnswer> answers_;
  std::deque<PathAnswer> paths_;
  std::vector<Request> requests_;
  bool defaultWhenUnqueued_ = true;
};

// Installs services for the life of the object and restores the ones before.
class ServicesScope {
 public:
  explicit ServicesScope(Services& services);
  ~ServicesScope();
  ServicesScope(const ServicesScope&) = delete;
  ServicesScope& operator=(const ServicesScope&) = delete;

 private:
  Services* previous_;
};

}  // namespace platform::ui
