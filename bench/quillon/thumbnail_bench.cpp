// A page of thumbnails: the photo-list form shows 14 photographs a page, each fitted within 194 × 194 pixels
// and laid out bottom-up for painting. Ours: the scaled JPEG read (libjpeg's DCT scaling, then the buffer's
// resize) and the change to the bitmap layout. The peer: Pillow opening each photograph in draft mode (libjpeg's
// scaling too, to the smallest power of two not below the size), resizing to the same size and taking the rows
// bottom-up as B, G, R. Both on the same 14 photographs of 4000 × 3000 pixels, from the page cache, in one run;
// each side's time is the best of its runs of a whole page, measured inside its own process.
//
//   quillon_thumbnail_bench [runs (default 5)]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ImageBuffer.h"
#include "JpegFile.h"
#include "bench_support.h"

namespace {

constexpr int kPhotoWidth = 4000, kPhotoHeight = 3000, kPage = 14, kLimit = 194;

// Photograph-like: broad light and colour changes with fine grain, so the coded data is as dense as a camera's.
bool MakePhoto(const std::string& path, int index) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kPhotoWidth) * kPhotoHeight * 3);
  bench::Random r(0x9E3779B97F4A7C15ull + index);
  std::uint8_t* p = rgb.data();
  for (int y = 0; y < kPhotoHeight; ++y) {
    for (int x = 0; x < kPhotoWidth; ++x, p += 3) {
      const std::uint64_t n = r.Next();
      const int grain = static_cast<int>(n & 15) - 8;
      const int u = (x * 255 / kPhotoWidth + index * 17) & 255, v = y * 255 / kPhotoHeight;
      p[0] = static_cast<std::uint8_t>(std::clamp((u + v) / 2 + grain, 0, 255));
      p[1] = static_cast<std::uint8_t>(std::clamp((u * v) / 255 + grain, 0, 255));
      p[2] = static_cast<std::uint8_t>(std::clamp(255 - v + ((x / 40 + y / 40) % 2) * 30 + grain, 0, 255));
    }
  }
  return quillon::WriteJpegFile(path, rgb.data(), kPhotoWidth, kPhotoHeight, 90) == 1;
}

// A Python that has Pillow: the system's own (where Debian installs python3-pil), else the first on PATH.
std::string Python() {
  for (const char* candidate : {"/usr/bin/python3", "python3"}) {
    if (std::system((std::string(candidate) + " -c 'import PIL' 2>/dev/null").c_str()) == 0) return candidate;
  }
  return {};
}

const char kPillowPage[] = R"(
import sys, time
from PIL import Image
runs, paths = int(sys.argv[1]), sys.argv[2:]
def fit(w, h, limit):
    if w <= limit and h <= limit: return w, h
    if h < w: return limit, max(1, limit * h // w)
    return max(1, limit * w // h), limit
best, sizes = None, []
for run in range(runs):
    start = time.perf_counter()
    sizes = []
    for p in paths:
        im = Image.open(p)
        size = fit(im.width, im.height, 194)
        im.draft('RGB', size)
        im = im.resize(size, Image.BILINEAR)
        rows = im.tobytes('raw', 'BGR', 0, -1)
        sizes.append('%dx%d' % im.size)
    t = time.perf_counter() - start
    best = t if best is None else min(best, t)
print(best, ' '.join(sizes))
)";

struct Page {
  double best = 1e30;
  std::string sizes;
};

Page Ours(const std::vector<std::string>& photos, int runs, bool scaled) {
  Page page;
  for (int run = 0; run < runs; ++run) {
    const double start = bench::Now();
    std::string sizes;
    for (const std::string& photo : photos) {
      quillon::CImageBuffer b;
      const int loaded = scaled ? b.LoadScaled(photo, kLimit) : b.Load(photo, quillon::kImageFileJpeg);
      int w = b.Width(), h = b.Height();
      quillon::FitWithin(kLimit, w, h);
      if (loaded != 0 || (!scaled && b.Resize(w, h) != 0) || b.ConvertTo(quillon::kFormatBitmap) != 0) {
        std::fprintf(stderr, "cannot make the thumbnail of %s\n", photo.c_str());
        std::exit(1);
      }
      sizes += (sizes.empty() ? "" : " ") + std::to_string(b.Width()) + "x" + std::to_string(b.Height());
    }
    page.best = std::min(page.best, bench::Now() - start);
    page.sizes = sizes;
  }
  return page;
}

Page Pillow(const std::string& python, const std::string& folder, const std::vector<std::string>& photos, int runs) {
  const std::string script = folder + "/pillow_page.py";
  if (FILE* f = std::fopen(script.c_str(), "w")) {
    std::fputs(kPillowPage, f);
    std::fclose(f);
  }
  std::string command = bench::Quoted(python) + " " + bench::Quoted(script) + " " + std::to_string(runs);
  for (const std::string& p : photos) command += " " + bench::Quoted(p);
  Page page;
  FILE* out = popen(command.c_str(), "r");
  if (!out) return page;
  char line[4096] = {0};
  if (std::fgets(line, sizeof line, out)) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const std::size_t space = text.find(' ');
    page.best = std::atof(text.substr(0, space).c_str());
    page.sizes = space == std::string::npos ? "" : text.substr(space + 1);
  }
  if (pclose(out) != 0) page.best = 1e30;
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string python = Python();
  if (python.empty()) {
    std::fprintf(stderr, "no python3 with Pillow (python3-pil)\n");
    return 2;
  }
  const std::string folder = bench::MakeTempFolder("vek-thumbnail-bench");
  if (folder.empty()) return 2;
  std::vector<std::string> photos;
  std::uint64_t bytes = 0;
  std::printf("making %d photographs of %d x %d in %s ...\n", kPage, kPhotoWidth, kPhotoHeight, folder.c_str());
  for (int i = 0; i < kPage; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/P%04d.jpg", i + 1);
    photos.push_back(folder + name);
    if (!MakePhoto(photos.back(), i)) {
      std::fprintf(stderr, "cannot write %s\n", photos.back().c_str());
      return 1;
    }
    bytes += bench::SizeOf(photos.back());
  }
  std::printf("%d photographs, %.1f MB\n", kPage, bench::MB(bytes));

  // Both sides once first, so that both read from the page cache.
  Ours(photos, 1, true);
  const Page peer = Pillow(python, folder, photos, runs);
  const Page ours = Ours(photos, runs, true);
  const Page full = Ours(photos, std::min(runs, 2), false);
  bench::RemoveTree(folder);
  if (peer.best >= 1e30) {
    std::fprintf(stderr, "Pillow failed\n");
    return 1;
  }
  if (peer.sizes != ours.sizes) {
    std::fprintf(stderr, "the thumbnails differ in size:\n  ours   %s\n  Pillow %s\n", ours.sizes.c_str(),
                 peer.sizes.c_str());
    return 1;
  }
  std::printf("thumbnails: %s\n", ours.sizes.c_str());
  std::printf("page of %d  ours (scaled read)         %8.1f ms\n", kPage, ours.best * 1e3);
  std::printf("page of %d  Pillow (draft mode)        %8.1f ms\n", kPage, peer.best * 1e3);
  std::printf("page of %d  ours at full size, resized %8.1f ms\n", kPage, full.best * 1e3);
  std::printf("ratio ours / Pillow: %.2f\n", ours.best / peer.best);
  return 0;
}
