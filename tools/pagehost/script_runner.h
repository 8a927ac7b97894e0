// Runs a script's commands on the page, one at a time on the event loop (a window timer), so that a command
// that opens a modal dialog returns only when it closes while the next commands act on that dialog.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "page_host.h"
#include "script.h"
#include "platform/ui/dialog.h"
#include "platform/ui/services.h"

namespace pagehost {

// Exit codes of vekpage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitPage = 2;     // usage, the page, its objects
inline constexpr int kExitScript = 3;   // the script, or a step of it that could not be done
inline constexpr int kExitTimeout = 4;  // a wait that timed out

struct RunnerOptions {
  std::string shotsFolder = ".";  // CP932
  std::uint64_t timeoutMs = 30000;
};

class ScriptRunner {
 public:
  ScriptRunner(PageHost& host, platform::ui::ScriptedServices& answers, std::vector<Command> commands,
               RunnerOptions options, LineOutput output);
  ~ScriptRunner();
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // The first object id a command names that the page does not have, as an error (UTF-8); empty when none.
  static std::string CheckObjects(const std::vector<Command>& commands, const Page& page);

  // Queues the answers and paths of the script's leading answer and file commands, so that they answer the
  // boxes and dialogs of the page's loading; Start does not run them again.
  void QueueLeadingAnswers();
  // Runs the commands from the event loop, from the next turn on.
  void Start();
  // Prints the error line and ends the run with code.
  void Fail(int code, const std::string& error);

  bool Finished() const { return finished_; }
  int ExitCode() const { return exitCode_; }
  // True when the run has ended and no modal dialog is left running; else ends the innermost one (a finished
  // run leaves nobody to answer it).
  bool Settle();

 private:
  void Finish(int code);
  void Tick();
  void Advance();
  void Step();
  bool Execute(const Command& command);
  bool TakeEvent(const Command& command);
  platform::ui::Dialog* InnermostModal();
  bool Refused(const Command& command, const std::string& why);

  PageHost& host_;
  platform::ui::ScriptedServices& answers_;
  std::vector<Command> commands_;
  RunnerOptions options_;
  LineOutput output_;
  std::size_t next_ = 0;
  enum class Hold { None, Pause, Wait } hold_ = Hold::None;
  std::uint64_t until_ = 0;
  const Command* waiting_ = nullptr;
  // The command running now and the modal dialog that was innermost when it began: while it runs, a step is
  // taken only inside a modal dialog that it opened.
  int depth_ = 0;
  platform::ui::Dialog* modalAtStart_ = nullptr;
  bool finished_ = false;
  int exitCode_ = kExitOk;
  bool posted_ = false;  // a step is posted and has not run yet
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace pagehost
