// vekpage: plays a page of controls. Each <object> of the page is made through the COM layer, given its PARAM
// values and embedded in one window; its events, message boxes and dialogs are printed on stdout, one JSON
// object a line. A script drives the page as a person would; without one, a person does.
//
//   vekpage PAGE.html [--script FILE] [--shots DIR] [--timeout SECONDS] [--dpi DPI] [--window]
//
// Exit codes: 0 done (quit, the script's end, or the window closed), 2 usage or page errors, 3 script errors,
// 4 a wait that timed out. Each non-zero exit is preceded by an {"error": ...} line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "charset.h"
#include "json_line.h"
#include "page_host.h"
#include "page_scanner.h"
#include "page_services.h"
#include "script.h"
#include "script_runner.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"

namespace {

namespace ui = platform::ui;
using namespace pagehost;

constexpr const char* kUsage =
    "usage: vekpage PAGE.html [--script FILE] [--shots DIR] [--timeout SECONDS] [--dpi DPI] [--window]\n"
    "  --script FILE      run the commands of FILE (UTF-8) instead of waiting for a person; offscreen\n"
    "  --shots DIR        where `shot OBJECT NAME` writes NAME.png (default: the current folder)\n"
    "  --timeout SECONDS  how long a `wait` waits (default 30)\n"
    "  --dpi DPI          the screen's dots per inch the controls are told (default 96; 120: large fonts)\n"
    "  --window           with --script: show the window on the screen instead of offscreen\n";

// The screens a person may have, in dots per inch.
constexpr int kLowestDpi = 48;
constexpr int kHighestDpi = 480;

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void Note(const std::string& text) { std::fprintf(stderr, "vekpage: %s\n", text.c_str()); }

int Fail(int code, const std::string& error) {
  PrintLine(ErrorLine(error));
  return code;
}

struct Arguments {
  std::string page;  // CP932 paths
  std::string script;
  std::string shots = ".";
  std::uint64_t timeoutMs = 30000;
  int dpi = 96;
  bool window = false;
};

bool Cp932Path(const char* utf8, std::string& out) { return platform::Utf8ToCp932(utf8, out) && !out.empty(); }

// false with error (UTF-8); help set for --help.
bool ParseArguments(int argc, char** argv, Arguments& args, bool& help, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        error = a + " wants a value";
        return false;
      }
      if (!Cp932Path(argv[++i], out)) {
        error = a + " wants a value that Shift_JIS can write";
        return false;
      }
      return true;
    };
    if (a == "--help" || a == "-h") {
      help = true;
      return true;
    } else if (a == "--script") {
      if (!value(args.script)) return false;
    } else if (a == "--shots") {
      if (!value(args.shots)) return false;
    } else if (a == "--timeout") {
      std::string text;
      if (!value(text)) return false;
      char* end = nullptr;
      errno = 0;
      double seconds = std::strtod(text.c_str(), &end);
      if (errno || end == text.c_str() || *end || !(seconds >= 0) || seconds > 86400.0 * 365) {
        error = "--timeout wants a number of seconds, not \"" + text + "\"";
        return false;
      }
      args.timeoutMs = static_cast<std::uint64_t>(seconds * 1000.0 + 0.5);
    } else if (a == "--dpi") {
      std::string text;
      if (!value(text)) return false;
      char* end = nullptr;
      errno = 0;
      long dpi = std::strtol(text.c_str(), &end, 10);
      if (errno || end == text.c_str() || *end || dpi < kLowestDpi || dpi > kHighestDpi) {
        error = "--dpi wants a whole number from " + std::to_string(kLowestDpi) + " to " +
                std::to_string(kHighestDpi) + ", not \"" + text + "\"";
        return false;
      }
      args.dpi = static_cast<int>(dpi);
    } else if (a == "--window") {
      args.window = true;
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (args.page.empty()) {
      if (!Cp932Path(argv[i], args.page)) {
        error = "the page's path has a character with no Shift_JIS form";
        return false;
      }
    } else {
      error = "one page only, not also " + a;
      return false;
    }
  }
  if (args.page.empty()) {
    error = "no page";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  bool help = false;
  std::string error;
  if (!ParseArguments(argc, argv, args, help, error)) {
    std::fputs(kUsage, stderr);
    return Fail(kExitPage, error);
  }
  if (help) {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }

  std::string bytes;
  if (!platform::ReadFile(args.page, bytes)) return Fail(kExitPage, "the page " + Cp932ToUtf8Lossy(args.page) + " cannot be read");
  Page page;
  if (!ScanPage(bytes, page, error)) return Fail(kExitPage, Cp932ToUtf8Lossy(args.page) + ": " + error);
  for (const std::string& w : page.warnings) Note(w);
  if (page.objects.empty()) Note("the page has no <object> with a clsid: class id");

  const bool scripted = !args.script.empty();
  std::vector<Command> commands;
  if (scripted) {
    std::string text;
    if (!platform::ReadFile(args.script, text)) {
      return Fail(kExitScript, "the script " + Cp932ToUtf8Lossy(args.script) + " cannot be read");
    }
    if (!ParseScript(text, commands, error)) return Fail(kExitScript, error);
    error = ScriptRunner::CheckObjects(commands, page);
    if (!error.empty()) return Fail(kExitScript, error);
  }

  // Before any window: the controls read the screen's resolution as they are made.
  platform::SetScreenDpi(args.dpi);

  // A script runs offscreen unless asked for a window or the environment names a platform of its own.
  const char* platformName = std::getenv("QT_QPA_PLATFORM");
  bool offscreen = scripted && !args.window && !(platformName && *platformName);
  ui::ApplicationScope application(argc, argv, offscreen);

  PageHost host(PrintLine);
  ui::ScriptedServices answers;
  PageServices services(scripted ? static_cast<ui::Services&>(answers) : ui::QtDialogServices(),
                        scripted ? &answers : nullptr, host, PrintLine);
  ui::ServicesScope servicesScope(services);

  RunnerOptions options;
  options.shotsFolder = args.shots;
  options.timeoutMs = args.timeoutMs;
  ScriptRunner runner(host, answers, std::move(commands), options, PrintLine);
  services.onScriptError = [&runner](const std::string& e) { runner.Fail(kExitScript, e); };
  if (scripted) runner.QueueLeadingAnswers();

  std::vector<std::string> notes;
  std::string caption;
  platform::Utf8ToCp932("vekpage - " + Cp932ToUtf8Lossy(args.page), caption);
  bool opened = host.Open(page, caption, true, error, notes);
  for (const std::string& n : notes) Note(n);
  if (!opened) {
    host.Close();
    return Fail(kExitPage, error);
  }

  if (scripted) {
    runner.Start();
    ui::RunUntil([&] { return runner.Settle() || !host.IsOpen(); }, -1);
  } else {
    ui::RunUntil([&] { return !host.IsOpen(); }, -1);
  }
  host.Close();
  return scripted ? runner.ExitCode() : kExitOk;
}
