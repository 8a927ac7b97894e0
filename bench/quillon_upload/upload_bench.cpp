// A registration of nine 5 MB photographs and one 100 MB estimate file, posted to the image-server stand-in:
// ours (the photo control's upload dialog building both steps' bodies and posting them through the browser)
// against `curl -F` posting the same ten files as one multipart body to the same server, in one run. Each side
// runs in a process of its own; ours is timed inside its process from the start of the registration to its
// status 4 (both steps), curl by its own total time. Ours is also split at step 2: building its body (the files
// read into memory, as a registration must before it posts) and posting it until the reply. The stand-in parses every body with Werkzeug and writes
// the parts to its record folder, for both alike.
//
// The photos are staged in a folder of their own, outside the control's working folders (which its form
// empties when it starts). Each side's peak is its own: ours as its process reports it, curl's as measured
// around curl alone by a small launcher (what the system counts for a spawned child includes the spawner's).
//
//   quillon_upload_bench [runs (default 3)]
//   quillon_upload_bench ours <server URL> <folder> <time file>   (a child: one registration)
//   quillon_upload_bench peer <stdout file> <program> <args...>    (a child: runs the program, reports its peak)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CQuillonCtrl.h"
#include "CUploadDialog.h"
#include "QuillonLib.h"
#include "UploadSet.h"
#include "bench_support.h"
#include "image_server.h"
#include "platform/com/connection.h"
#include "platform/com/control_window.h"
#include "platform/com/module.h"
#include "platform/com/property_bag.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"
#include "platform/ui/window.h"
#include "platform/web/browser_control.h"

namespace {

namespace com = platform::com;
namespace ui = platform::ui;

constexpr int kPhotos = 9;
constexpr std::uint64_t kPhotoBytes = 5000000, kEstimateBytes = 100000000;

std::string PhotoPath(const std::string& folder, int n) { return folder + "/photos/P" + std::to_string(n) + ".jpg"; }
std::string EstimatePath(const std::string& folder) { return folder + "/estimate.vek"; }

// The real browser, noting when each request is handed to it and when each reply page is complete.
class TimedBrowser : public platform::web::Browser, private platform::web::BrowserEvents {
 public:
  std::vector<double> navigated, completed;

  TimedBrowser() : inner_(platform::web::CreateBrowser()) { inner_->SetEvents(this); }
  using platform::web::Browser::Navigate2;
  void Navigate2(const std::string& url, std::int32_t flags, const std::string& frame,
                 platform::web::SharedPostData postData, const std::string& headers) override {
    navigated.push_back(bench::Now());
    inner_->Navigate2(url, flags, frame, std::move(postData), headers);
  }
  std::shared_ptr<const platform::web::Document> GetDocument() const override { return inner_->GetDocument(); }

 private:
  void ProgressChange(std::int32_t progress, std::int32_t progressMax) override {
    if (events_) events_->ProgressChange(progress, progressMax);
  }
  void DocumentComplete(const std::string& url) override {
    completed.push_back(bench::Now());
    if (events_) events_->DocumentComplete(url);
  }
  void NavigateError(const std::string& url, const std::string& frame, std::int32_t status, bool& cancel) override {
    if (events_) events_->NavigateError(url, frame, status, cancel);
  }

  std::unique_ptr<platform::web::Browser> inner_;
};

// The control on a host window, as a page holds it, registering the files; the seconds it took, or < 0.
// split: the seconds from step 1's reply until step 2's request was handed to the browser (building its body)
// and from there until step 2's reply.
double Register(const std::string& url, const std::string& folder, double split[2]) {
  TimedBrowser* browser = nullptr;
  platform::web::BrowserMakerScope maker([&browser] {
    auto b = std::make_unique<TimedBrowser>();
    browser = b.get();
    return b;
  });
  static com::Module module(quillon::QuillonModuleInfo());
  ui::ScriptedServices services;  // a message box would mean a failure: answered, never waited on
  ui::ServicesScope scope(services);
  com::ComPtr<com::IDispatch> control;
  if (com::Failed(com::CreateObject<quillon::CQuillonCtrl>(module, com::IDispatch::kIid, control.PutVoid()))) return -1;
  auto* ctrl = static_cast<quillon::CQuillonCtrl*>(control.Get());
  unsigned status = 0;
  com::ComPtr<com::EventSink> sink = com::MakeObject<com::EventSink>(
      quillon::kIidDQuillonEvents, [&status](com::DISPID id, const std::vector<com::Variant>& args) {
        if (id == 2) status = args.at(0).AsUI4();
      });
  std::uint32_t cookie = 0;
  com::Advise(control.Get(), quillon::kIidDQuillonEvents, sink.Get(), &cookie);
  com::ComPtr<com::IPersistPropertyBag> persist;
  control.As(persist);
  com::ComPtr<com::PropertyBag> bag = com::MakeObject<com::PropertyBag>();
  for (const auto& [name, value] : std::vector<std::pair<const char*, std::string>>{
           {"FuncID", "0"}, {"ServerURL", url}, {"GRP_CD", "G01"}, {"MAP_ID", "M01"}, {"BTN_ID", "B01"},
           {"SES_ID", "S123"}, {"CGI_ID", "C0"}}) {
    bag->Set(name, value);
  }
  persist->Load(bag.Get());
  ui::Window host;
  host.CreateTopLevel("page", ui::RectAt(0, 0, 1000, 700));
  com::ComPtr<com::IControlWindow> window;
  control.As(window);
  if (com::Failed(window->CreateControlWindow(host, ui::RectAt(0, 0, 1000, 700)))) return -1;
  ui::DispatchPendingMessages();

  quillon::UploadSet set;
  for (int n = 1; n <= kPhotos; ++n) {
    set.photos.push_back({PhotoPath(folder, n), false, "P" + std::to_string(n) + ".jpg", 4000, 3000,
                          "20240301101112", ""});
  }
  set.estimateFiles.push_back(EstimatePath(folder));
  set.added = true;

  const double start = bench::Now();
  ctrl->SetUploadSet(set);
  ctrl->ShowMode(2);
  ctrl->StartRegistration();
  ui::RunUntil([&] { return status == 4 || ctrl->UploadDialog()->IsItemVisible(quillon::CUploadDialog::kIdButton); }, 600000);
  const double seconds = bench::Now() - start;
  const bool done = status == 4 && browser && browser->navigated.size() == 2 && browser->completed.size() == 2;
  if (done) {
    split[0] = browser->navigated[1] - browser->completed[0];
    split[1] = browser->completed[1] - browser->navigated[1];
  }
  window->DestroyControlWindow();
  host.Destroy();
  return done ? seconds : -1;
}

int OursChild(const std::string& url, const std::string& folder, const std::string& timeFile) {
  // The control's working folder lies in the profile.
  setenv("HOME", (folder + "/home").c_str(), 1);
  ui::EnsureApplication(true);
  double split[2] = {0, 0};
  const double seconds = Register(url, folder, split);
  bench::ReportOwnPeak();
  std::ofstream(timeFile) << seconds << " " << split[0] << " " << split[1] << "\n";
  return seconds < 0 ? 1 : 0;
}

// A child: runs args[0] with its stdout into outFile, and reports the program's own peak as its own. The
// program is forked from this small process, so its figure holds nothing of the benchmark's pages (the kernel
// keeps the larger of this process's 4 MiB and the program's peak).
int PeerChild(const std::string& outFile, char** args) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || dup2(out, 1) < 0) _exit(126);
    execvp(args[0], args);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return 1;
  if (const char* peak = std::getenv("VEK_BENCH_PEAK")) std::ofstream(peak) << usage.ru_maxrss << "\n";
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

// One post of the ten files by curl: its peak, and its own total time (written to timeFile).
bench::Sample Curl(const std::string& url, const std::string& folder, const std::string& timeFile) {
  // As a browser does, curl is not to wait for "100 Continue" before the body.
  std::vector<std::string> args = {bench::SelfPath(), "peer", timeFile, "curl", "-s", "-S", "-o", "/dev/null",
                                   "-w", "%{time_total}", "-H", "Expect:"};
  args.insert(args.end(), {"-F", "EstimateFile1=@" + EstimatePath(folder)});
  for (int n = 1; n <= kPhotos; ++n) {
    args.insert(args.end(), {"-F", "ImageFile" + std::to_string(n) + "=@" + PhotoPath(folder, n)});
  }
  args.push_back(url);
  bench::Sample s = bench::RunChild(args);
  double seconds = -1;
  std::ifstream(timeFile) >> seconds;
  s.seconds = seconds;
  s.ok = s.ok && seconds >= 0;
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "ours") return OursChild(argv[2], argv[3], argv[4]);
  if (argc >= 4 && std::string(argv[1]) == "peer") return PeerChild(argv[2], argv + 3);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

  const std::string folder = bench::MakeTempFolder("quillon-upload");
  if (folder.empty()) return 1;
  bench::MakeFolder(folder + "/home");
  bench::MakeFolder(folder + "/home/zentrovia");
  bench::MakeFolder(folder + "/photos");
  bench::Random random(0x5DEECE66Dull);
  bool made = bench::WriteJpegLike(EstimatePath(folder), kEstimateBytes, random);
  for (int n = 1; n <= kPhotos; ++n) made = made && bench::WriteJpegLike(PhotoPath(folder, n), kPhotoBytes, random);
  if (!made) {
    std::fprintf(stderr, "cannot write the files\n");
    bench::RemoveTree(folder);
    return 1;
  }
  std::printf("registration: %d photos of %.0f MB and an estimate file of %.0f MB (%.0f MB)\n", kPhotos,
              bench::MB(kPhotoBytes), bench::MB(kEstimateBytes), bench::MB(kPhotos * kPhotoBytes + kEstimateBytes));

  testing_support::ImageServer server;
  if (!server.ok() || !server.KeepBodies(false)) {
    std::fprintf(stderr, "the image-server stand-in did not start\n");
    bench::RemoveTree(folder);
    return 1;
  }
  const std::string url = server.Url("/upload");
  const std::string timeFile = folder + "/ours.time";

  bench::Measure ours, peer, oursProcess, build, post;
  for (int run = 0; run < runs; ++run) {
    // Each run starts with an empty record, so the server writes into the same amount of free space.
    server.Reset();
    server.KeepBodies(false);
    bench::Sample child = bench::RunChild({bench::SelfPath(), "ours", url, folder, timeFile});
    double seconds = -1, split[2] = {0, 0};
    std::ifstream(timeFile) >> seconds >> split[0] >> split[1];
    oursProcess.Keep(child);
    bench::Sample inside = child;
    inside.seconds = seconds;
    inside.ok = child.ok && seconds >= 0;
    ours.Keep(inside);
    inside.seconds = split[0];
    build.Keep(inside);
    inside.seconds = split[1];
    post.Keep(inside);

    server.Reset();
    server.KeepBodies(false);
    peer.Keep(Curl(url, folder, timeFile));
  }
  bench::Report("upload", "ours (both steps)", ours);
  bench::Report("upload", "ours (whole process)", oursProcess);
  bench::Report("step 2", "ours: building", build);
  bench::Report("step 2", "ours: post and reply", post);
  bench::Report("upload", "curl -F", peer);
  if (ours.ok && peer.ok) {
    std::printf("ratio ours / curl: %.2f (step 2's post and reply alone / curl: %.2f)\n", ours.seconds / peer.seconds,
                post.seconds / peer.seconds);
  }
  server.Stop();
  bench::RemoveTree(folder);
  return ours.ok && peer.ok ? 0 : 1;
}
