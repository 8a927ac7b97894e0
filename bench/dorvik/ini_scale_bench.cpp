// Work-folder INI files of megabytes, where a lookup per key once made time grow with the square of the size:
// - the feedback of an OvSvImge.ini of about 10 MB (FeedbackMailLinkImageFile against the SQLite image
//   database, every listed image in the Image folder, a tenth of them deleted);
// - an estimate whose HistryDt.ini claims 32767 entries while it holds 5: the save that reads them and writes
//   an estimate file of 32767 entries, and the opening of that file, which writes HistryDt.ini back.
// Each step is timed in this process, best of the runs; the goal is under a second each.
//
//   dorvik_ini_scale_bench [OvSvImge.ini MB (default 10)] [runs (default 3)]
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkVekFileOperation.h"
#include "bench_support.h"
#include "dorvik_sql/functions.h"
#include "dorvik_sql/records.h"
#include "platform/files.h"
#include "platform/module.h"

namespace {

constexpr int kClaimedEntries = 32767;
constexpr int kRealEntries = 5;

bool WriteText(const std::string& path, const std::string& text) {
  return platform::WriteFile(path, text.data(), text.size());
}

std::string ImageName(int i) {
  char name[64];
  std::snprintf(name, sizeof name, "P%07d_", i);
  return name + std::string(90, 'x') + ".jpg";
}

// The image database with one record per image, through the back-end's own write.
bool WriteImageDatabase(const std::string& db, int count) {
  platform::ModuleHandle ig = platform::LoadModule("DorvikSqlIg.dll");
  if (!ig) {
    std::fprintf(stderr, "DorvikSqlIg not found: %s\n", platform::ModuleError().c_str());
    return false;
  }
  auto initialize = platform::GetFunctionAs<dorvik_sql::InitializeFunction>(ig, "Initialize");
  auto write = platform::GetFunctionAs<dorvik_sql::WriteFunction>(ig, "WriteImage");
  auto finalize = platform::GetFunctionAs<dorvik_sql::FinalizeFunction>(ig, "Finalize");
  std::vector<dorvik_sql::Image> records(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    records[i] = {};
    records[i].ImageNo = i + 1;
    records[i].DisplayOrder = i + 1;
    std::string name = ImageName(i + 1);
    std::memcpy(records[i].FileName, name.data(), name.size());
  }
  char code[10] = {};
  bool ok = initialize && write && finalize && initialize(db.c_str(), "", -1) == 1 &&
            write(records.data(), count, code) == 1;
  if (finalize) finalize();
  platform::FreeModule(ig);
  if (!ok) std::fprintf(stderr, "image database not written: %.9s\n", code);
  return ok;
}

// A work folder whose OvSvImge.ini of about megabytes MB lists every image; a tenth are to be deleted.
bool MakeFeedbackFolder(const std::string& work, double megabytes, int& count, std::uint64_t& iniBytes) {
  bench::MakeFolder(work);
  bench::MakeFolder(work + "/Image");
  std::string list = "[General]\r\nSignature=VEKIMAGE\r\nModify=1\r\n[ImageSections]\r\n", sections;
  count = 0;
  while (list.size() + sections.size() < megabytes * 1e6) {
    ++count;
    const std::string key = "Image" + std::to_string(count), name = ImageName(count);
    list += key + "=\r\n";
    // The order turned round, so that every record moves.
    sections += "[" + key + "]\r\nNo=" + std::to_string(1000000 - count) + "\r\nFileName=" + name +
                "\r\nModify=" + (count % 10 == 0 ? "9" : "0") + "\r\n";
    if (!WriteText(work + "/Image/" + name, "jpeg")) return false;
  }
  iniBytes = list.size() + sections.size();
  return WriteText(work + "/OvSvImge.ini", list + sections) &&
         WriteText(work + "/OvDBInfo.ini",
                   "[General]\r\nSignature=OVDBINFO\r\n[LatestDatabaseFile]\r\nInformationDB=OvSvIf0001.sld\r\n"
                   "EstimateDB=OvSvEm0001.sld\r\nImageDB=OvSvIg0001.sld\r\n") &&
         WriteImageDatabase(work + "/OvSvIg0001.sld", count);
}

// A work folder of a few small files whose HistryDt.ini claims 32767 entries and holds 5.
bool MakeClaimingFolder(const std::string& work) {
  bench::MakeFolder(work);
  bench::MakeFolder(work + "/Image");
  std::string history =
      "[General]\r\nSignature=HISTRYDT\r\n[HistoryData]\r\nHistoryDataVersion=0010\r\nHistoryInfoLength=93\r\n"
      "HistoryInfoCount=" + std::to_string(kClaimedEntries) + "\r\n";
  for (int i = 1; i <= kRealEntries; ++i) {
    history += "[HistoryInfo" + std::to_string(i) + "]\r\nRenewalDate=2024050" + std::to_string(i) +
               "093000\r\nLicenceID=LIC0000" + std::to_string(i) + "\r\nTotal=1000.500000\r\nName=Tantou" +
               std::to_string(i) + "\r\n";
  }
  return WriteText(work + "/HistryDt.ini", history) &&
         WriteText(work + "/HeaderDt.ini",
                   "[General]\r\nSignature=HEADERDT\r\n[HeaderData]\r\nSignature=VEK3\r\nVersion=0010\r\n"
                   "HeaderInfoLength=305\r\nHistoryDataLength=10\r\n[HeaderInfo]\r\nAcceptNo=A-0001\r\n"
                   "CustomerName=Yamada\r\nCarName=Prius\r\nImageCount=1\r\n") &&
         WriteText(work + "/OvSvEm0001.sld", std::string(20000, 'E')) && WriteText(work + "/Image/P0001.jpg", "jpeg");
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 10;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const std::string top = bench::MakeTempFolder("vek-ini-scale-bench");
  if (top.empty()) return 2;
  double feedback = 1e30, save = 1e30, open = 1e30;
  bool ok = true;
  int images = 0;
  std::uint64_t iniBytes = 0;
  char code[10] = {};
  for (int run = 0; run < runs && ok; ++run) {
    const std::string n = std::to_string(run);
    const std::string fed = top + "/feedback-" + n;
    ok = MakeFeedbackFolder(fed, megabytes, images, iniBytes);
    double t0 = bench::Now();
    ok = ok && FeedbackMailLinkImageFile(fed.c_str(), (fed + "/OvSvIg0001.sld").c_str(), code) == 1;
    feedback = std::min(feedback, bench::Now() - t0);
    if (!ok) std::fprintf(stderr, "feedback failed: %.9s\n", code);

    const std::string claiming = top + "/claiming-" + n, vek = top + "/claiming-" + n + ".vek";
    const std::string opened = top + "/opened-" + n;
    ok = ok && MakeClaimingFolder(claiming);
    t0 = bench::Now();
    ok = ok && SaveVekFileEx(claiming.c_str(), vek.c_str(), code) == 1;
    save = std::min(save, bench::Now() - t0);
    bench::MakeFolder(opened);
    t0 = bench::Now();
    ok = ok && CZkVekFileOperation(vek.c_str()).OpenVekFile(opened.c_str(), code) == 1;
    open = std::min(open, bench::Now() - t0);
    if (!ok) std::fprintf(stderr, "save or opening failed: %.9s\n", code);
  }
  std::printf("best of %d runs, in this process\n", runs);
  std::printf("feedback  OvSvImge.ini %.1f MB, %d images (a tenth deleted)   %.3f s\n", bench::MB(iniBytes), images,
              feedback);
  std::printf("save      HistryDt.ini claiming %d entries (%d real)            %.3f s\n", kClaimedEntries,
              kRealEntries, save);
  std::printf("open      estimate of %d entries, HistryDt.ini written back      %.3f s\n", kClaimedEntries, open);
  const bool fast = feedback < 1 && save < 1 && open < 1;
  std::printf("each step %s a second\n", fast ? "under" : "NOT under");
  bench::RemoveTree(top);
  return ok && fast ? 0 : 1;
}
