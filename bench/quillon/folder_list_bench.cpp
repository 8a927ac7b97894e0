// A folder of 10,000 photographs in the photo-list form: the folder listed (each file's status read once, with
// its entry), sorted newest first and its first page of 14 thumbnails shown, as the form does when it starts on
// the folder; then the same listing again from the "表示" button, and a page forward. Measured in a child
// process of its own (time inside it, peak memory of the whole child). The peer lists and sorts the same folder
// by last write: find's -printf of each file's time and name, piped through sort.
//
//   quillon_folder_list_bench [files (default 10000)] [runs (default 3)]
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CFormDialog.h"
#include "CQuillonCtrl.h"
#include "JpegFile.h"
#include "QuillonLib.h"
#include "bench_support.h"
#include "platform/com/host.h"
#include "platform/com/property_bag.h"
#include "platform/com/control_window.h"
#include "platform/files.h"
#include "platform/ui/application.h"
#include "platform/ui/services.h"
#include "platform/ui/window.h"

namespace {

namespace com = platform::com;
namespace ui = platform::ui;

constexpr int kDistinct = 64;  // different photographs, each written under many names
constexpr int kWidth = 320, kHeight = 240;

bool MakeFolder(const std::string& folder, int files) {
  std::vector<std::string> photos;
  for (int i = 0; i < kDistinct; ++i) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    bench::Random r(0x51ED27ull + i);
    for (std::size_t p = 0; p < rgb.size(); p += 3) {
      const int x = static_cast<int>(p / 3 % kWidth), y = static_cast<int>(p / 3 / kWidth);
      const int grain = static_cast<int>(r.Next() & 7);
      rgb[p] = static_cast<std::uint8_t>((x + i * 9) & 255);
      rgb[p + 1] = static_cast<std::uint8_t>((y + grain) & 255);
      rgb[p + 2] = static_cast<std::uint8_t>((x + y + i * 31) & 255);
    }
    const std::string path = folder + "/seed.jpg";
    if (quillon::WriteJpegFile(path, rgb.data(), kWidth, kHeight, 80) != 1) return false;
    std::string bytes;
    if (!platform::ReadFile(path, bytes)) return false;
    photos.push_back(std::move(bytes));
    platform::DeleteFile(path);
  }
  bench::Random r(7);
  for (int n = 0; n < files; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "/DSC%05d.jpg", n);
    const std::string path = folder + name;
    const std::string& bytes = photos[n % kDistinct];
    if (!platform::WriteFile(path, bytes.data(), bytes.size())) return false;
    // Times over ten years, in no order of the names.
    const platform::FileTime written{1400000000 + static_cast<std::int64_t>(r.Next() % 315360000), 0};
    if (!platform::SetFileTimes(path, nullptr, &written)) return false;
  }
  return true;
}

// The child: the control on a window of its own, started on the folder.
int Child(const std::string& folder, int runs) {
  ui::EnsureApplication(true);
  ui::ScriptedServices services;
  ui::ServicesScope scope(services);
  const std::string home = bench::MakeTempFolder("vek-folder-bench-home");
  setenv("HOME", home.c_str(), 1);
  com::Module module(quillon::QuillonModuleInfo());
  void* out = nullptr;
  if (com::CreateObject<quillon::CQuillonCtrl>(module, com::IDispatch::kIid, &out) != com::S_OK) return 1;
  com::ComPtr<com::IDispatch> dispatch;
  dispatch.Attach(static_cast<com::IDispatch*>(out));
  com::ComPtr<com::IPersistPropertyBag> persist;
  if (dispatch.As(persist) != com::S_OK) return 1;
  com::ComPtr<com::PropertyBag> bag = com::MakeObject<com::PropertyBag>();
  bag->Set("ImageFolder", folder);
  bag->Set("MaxViewFileNum", "100000");
  bag->Set("MaxByte", "20480");
  bag->Set("TorvaneFileName", "");
  persist->Load(bag.Get());
  auto* ctrl = static_cast<quillon::CQuillonCtrl*>(dispatch.Get());

  ui::Window host;
  host.CreateTopLevel("page", ui::RectAt(0, 0, 1500, 1900));
  com::ComPtr<com::IControlWindow> window;
  if (dispatch.As(window) != com::S_OK) return 1;
  const double start = bench::Now();
  window->CreateControlWindow(host, ui::RectAt(0, 0, 1500, 1900));
  host.Show(true);
  ui::DispatchPendingMessages();
  const double shown = bench::Now() - start;
  quillon::CFormDialog& form = *ctrl->FormDialog();
  const std::size_t listed = form.FolderPaths().size();
  int thumbnails = 0;
  for (int c = 0; c < quillon::CFormDialog::kFolderCells; ++c) thumbnails += form.FolderImage(c)->Width() > 0;

  double again = 1e30, forward = 1e30;
  for (int run = 0; run < runs; ++run) {
    double t = bench::Now();
    form.BuildFolderList();
    again = std::min(again, bench::Now() - t);
    t = bench::Now();
    form.PageForward();
    forward = std::min(forward, bench::Now() - t);
  }
  std::fprintf(stderr, "listed %zu files, %d thumbnails on the first page, %zu message boxes\n", listed, thumbnails,
              services.Requests().size());
  std::fprintf(stderr, "form started on the folder (list, sort, 14 thumbnails, painted)  %8.1f ms\n", shown * 1e3);
  std::fprintf(stderr, "listed and sorted again with its first page (best of %d)         %8.1f ms\n", runs, again * 1e3);
  std::fprintf(stderr, "a page forward (best of %d)                                      %8.1f ms\n", runs, forward * 1e3);
  window->DestroyControlWindow();
  host.Destroy();
  bench::RemoveTree(home);
  bench::ReportOwnPeak();
  return listed > 0 && thumbnails == quillon::CFormDialog::kFolderCells ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::string(argv[1]) == "--child") {
    return Child(argv[2], argc > 3 ? std::max(1, std::atoi(argv[3])) : 3);
  }
  const int files = argc > 1 ? std::max(14, std::atoi(argv[1])) : 10000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const std::string folder = bench::MakeTempFolder("vek-folder-bench");
  if (folder.empty()) return 2;
  std::printf("making %d photographs of %d x %d in %s ...\n", files, kWidth, kHeight, folder.c_str());
  if (!MakeFolder(folder, files)) {
    std::fprintf(stderr, "cannot make the folder\n");
    return 1;
  }
  std::size_t count = 0;
  const std::uint64_t bytes = bench::TreeBytes(folder, count);
  std::printf("%zu files, %.1f MB\n", count, bench::MB(bytes));
  std::fflush(stdout);

  bench::Measure ours;
  for (int run = 0; run < 2; ++run) ours.Keep(bench::RunChild({bench::SelfPath(), "--child", folder, std::to_string(runs)}));
  bench::Measure peer;
  const std::string listing = "find " + bench::Quoted(folder) + " -maxdepth 1 -iname '*.jpg' -printf '%T@ %p\\n' | sort -rn";
  for (int run = 0; run < runs; ++run) peer.Keep(bench::RunChild({"sh", "-c", listing}));
  bench::Report("start on the folder", "ours (whole control)", ours);
  bench::Report("list and sort", "find | sort", peer);
  bench::RemoveTree(folder);
  return ours.ok && peer.ok ? 0 : 1;
}
