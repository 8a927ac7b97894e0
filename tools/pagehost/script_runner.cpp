#include "script_runner.h"

#include "charset.h"
#include "json_line.h"
#include "platform/clock.h"
#include "platform/com/hresult.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/dialog.h"
#include "platform/ui/driver.h"

namespace pagehost {

namespace com = platform::com;
namespace ui = platform::ui;
namespace driver = platform::ui::driver;

namespace {

constexpr int kTickTimer = 1;
constexpr unsigned kTickMs = 10;

std::string Line(const Command& c) { return "line " + std::to_string(c.line) + ": "; }

}  // namespace

ScriptRunner::ScriptRunner(PageHost& host, ui::ScriptedServices& answers, std::vector<Command> commands,
                           RunnerOptions options, LineOutput output)
    : host_(host), answers_(answers), commands_(std::move(commands)), options_(std::move(options)),
      output_(std::move(output)) {}

ScriptRunner::~ScriptRunner() { host_.Window().onTimer = nullptr; }

std::string ScriptRunner::CheckObjects(const std::vector<Command>& commands, const Page& page) {
  for (const Command& c : commands) {
    if (c.object.empty()) continue;
    bool known = false;
    for (const PageObject& o : page.objects) known = known || o.id == c.object;
    if (!known) return Line(c) + "the page has no object \"" + c.object + "\"";
  }
  return {};
}

void ScriptRunner::QueueLeadingAnswers() {
  for (; next_ < commands_.size(); ++next_) {
    const Command& c = commands_[next_];
    if (c.kind == CommandKind::Answer) {
      answers_.QueueAnswer(c.answer);
    } else if (c.kind == CommandKind::File) {
      if (c.hasText) {
        answers_.QueuePath(c.text);
      } else {
        answers_.QueueCancel();
      }
    } else {
      break;
    }
  }
}

void ScriptRunner::Start() {
  if (finished_) return;  // a mistake of the script showed while the page loaded
  host_.Window().onTimer = [this](int id) {
    if (id == kTickTimer) Tick();
  };
  if (!host_.Window().SetTimer(kTickTimer, kTickMs)) Fail(kExitScript, "the page's window does not stand");
}

void ScriptRunner::Fail(int code, const std::string& error) {
  if (finished_) return;
  output_(ErrorLine(error));
  Finish(code);
}

void ScriptRunner::Finish(int code) {
  if (finished_) return;
  finished_ = true;
  exitCode_ = code;
  host_.Window().KillTimer(kTickTimer);
}

ui::Dialog* ScriptRunner::InnermostModal() {
  for (HostedObject& o : host_.Objects()) {
    ui::Window* w = o.ControlWindow();
    ui::Dialog* d = w ? driver::VisibleDialog(*w) : nullptr;
    if (d && d->IsModal()) return d;
  }
  return nullptr;
}

bool ScriptRunner::Settle() {
  if (!finished_) return false;
  ui::Dialog* modal = InnermostModal();
  if (!modal) return true;
  modal->EndDialog(ui::kIdCancel);
  return false;
}

// The step runs as a posted task, not in the timer's own handler: the event loop fires no timer again while its
// handler runs, so a modal dialog opened by the step would never see the next tick.
void ScriptRunner::Tick() {
  if (finished_ || posted_) return;
  posted_ = true;
  std::weak_ptr<bool> alive = alive_;
  ui::PostTask([this, alive] {
    if (alive.expired()) return;
    posted_ = false;
    Advance();
  });
}

void ScriptRunner::Advance() {
  if (finished_) return;
  if (hold_ == Hold::Pause) {
    if (platform::TickMilliseconds() < until_) return;
    hold_ = Hold::None;
  } else if (hold_ == Hold::Wait) {
    if (TakeEvent(*waiting_)) {
      hold_ = Hold::None;
    } else if (platform::TickMilliseconds() >= until_) {
      Fail(kExitTimeout, Line(*waiting_) + "no event " + waiting_->name + " of " + waiting_->object +
                             (waiting_->hasText ? " with " + waiting_->text : std::string()) + " within " +
                             std::to_string(options_.timeoutMs) + " ms");
      return;
    } else {
      return;
    }
  }
  if (depth_ > 0) {
    ui::Dialog* modal = InnermostModal();
    if (!modal || modal == modalAtStart_) return;
  }
  Step();
}

void ScriptRunner::Step() {
  if (next_ >= commands_.size()) {
    Finish(kExitOk);
    return;
  }
  const Command& c = commands_[next_++];
  switch (c.kind) {
    case CommandKind::Pause:
      hold_ = Hold::Pause;
      until_ = platform::TickMilliseconds() + static_cast<std::uint64_t>(c.number);
      return;
    case CommandKind::Wait: {
      HostedObject* o = host_.Find(c.object);
      if (!o->HasEvent(c.name)) {
        Fail(kExitScript, Line(c) + c.object + " has no event " + c.name);
        return;
      }
      if (!TakeEvent(c)) {
        hold_ = Hold::Wait;
        waiting_ = &c;
        until_ = platform::TickMilliseconds() + options_.timeoutMs;
      }
      return;
    }
    case CommandKind::Quit:
      Finish(kExitOk);
      return;
    default:
      break;
  }
  ++depth_;
  ui::Dialog* outerModal = modalAtStart_;
  modalAtStart_ = InnermostModal();
  const HostedObject* before = host_.SetCurrent(c.object.empty() ? nullptr : host_.Find(c.object));
  Execute(c);
  host_.SetCurrent(before);
  modalAtStart_ = outerModal;
  --depth_;
}

bool ScriptRunner::TakeEvent(const Command& c) {
  HostedObject* o = host_.Find(c.object);
  for (EventRecord& e : host_.Events()) {
    if (e.taken || &host_.Objects()[e.object] != o || !platform::EqualsNoCaseAscii(e.name, c.name)) continue;
    if (c.hasText && !(e.hasFirst && e.first == c.text)) continue;
    e.taken = true;
    return true;
  }
  return false;
}

bool ScriptRunner::Refused(const Command& c, const std::string& why) {
  Fail(kExitScript, Line(c) + CommandWord(c.kind) + " " + c.object + ": " + Cp932ToUtf8Lossy(why));
  return false;
}

bool ScriptRunner::Execute(const Command& c) {
  if (c.kind == CommandKind::Answer) {
    answers_.QueueAnswer(c.answer);
    return true;
  }
  if (c.kind == CommandKind::File) {
    if (c.hasText) {
      answers_.QueuePath(c.text);
    } else {
      answers_.QueueCancel();
    }
    return true;
  }
  HostedObject* o = host_.Find(c.object);
  ui::Window* window = o->ControlWindow();
  if (!window) return Refused(c, "the object has no window");
  ui::Dialog* dialog = driver::VisibleDialog(*window);
  std::string error;
  switch (c.kind) {
    case CommandKind::Click:
    case CommandKind::Text:
    case CommandKind::Check:
    case CommandKind::Select: {
      if (!dialog) return Refused(c, "the object shows no dialog");
      bool done = c.kind == CommandKind::Click  ? driver::Click(*dialog, c.control, &error)
                  : c.kind == CommandKind::Text ? driver::Type(*dialog, c.control, c.text, &error)
                  : c.kind == CommandKind::Check
                      ? driver::Check(*dialog, c.control, c.number != 0, &error)
                      : driver::Select(*dialog, c.control, c.number, &error);
      return done || Refused(c, error);
    }
    case CommandKind::Key: {
      // Keys go where a person's would: into a modal dialog over the control, else into the control.
      ui::Window& target = dialog && dialog->IsModal() ? *dialog : *window;
      return driver::PressKey(target, c.number, c.ctrl, &error) || Refused(c, error);
    }
    case CommandKind::Drop: {
      // Dropped at the centre of what the person sees: the first window from there outwards that takes files.
      std::string first;
      for (ui::Window* w = dialog ? static_cast<ui::Window*>(dialog) : window; w; w = w->Parent()) {
        if (driver::DropFiles(*w, c.paths, &error)) return true;
        if (first.empty()) first = error;
        if (w == window) break;
      }
      return Refused(c, first);
    }
    case CommandKind::Invoke: {
      com::Variant result;
      com::HRESULT hr = com::InvokeByName(o->dispatch.Get(), c.name, com::DISPATCH_METHOD | com::DISPATCH_PROPERTYGET,
                                          {}, &result);
      if (com::Failed(hr)) return Refused(c, c.name + ": " + com::FormatHResult(hr));
      output_(ResultLine(result));
      return true;
    }
    case CommandKind::Shot: {
      std::string name;
      if (!platform::Utf8ToCp932(c.name, name)) return Refused(c, "the name has a character with no Shift_JIS form");
      const std::string& folder = options_.shotsFolder;
      if (!platform::MakeFolders(folder)) return Refused(c, "the folder " + folder + " cannot be made");
      std::string path = folder + "/" + name + ".png";
      ui::Window& target = dialog ? static_cast<ui::Window&>(*dialog) : *window;
      if (!target.SaveScreenshot(path)) return Refused(c, path + " cannot be written");
      return true;
    }
    default:
      return true;
  }
}

}  // namespace pagehost
