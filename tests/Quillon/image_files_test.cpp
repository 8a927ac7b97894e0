// Loading and saving JPEG and bitmap files: the bytes written, what is refused with which message, that a failed
// save leaves the old file, damaged and hostile files, and the scaled read for thumbnails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <thread>  // for the clocks (<chrono> holds a literal with no CP932 form)
#include <vector>

#include "ImageBuffer.h"
#include "ImageMemory.h"
#include "JpegFile.h"
#include "image_test_support.h"
#include "platform/fault.h"

using image_test::BitmapBytes;
using image_test::Fill;
using image_test::Gradient;
using image_test::Pattern;
using image_test::Picture;
using image_test::PictureOf;
using image_test::Quoted;
using image_test::Shell;
using quillon::CImageBuffer;
using quillon::kFormatBitmap;
using quillon::kFormatPackedRGB;
using quillon::kImageFileBitmap;
using quillon::kImageFileJpeg;
using quillon::kMsgImageNotSaved;
using quillon::kMsgImageUnreadable;
using testing_support::ReadRaw;
using testing_support::WriteRaw;

namespace {

using Shown = std::vector<std::pair<int, std::string>>;

double Psnr(const Picture& a, const Picture& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) sum += std::pow(double(a.rgb[i]) - b.rgb[i], 2);
  return 10 * std::log10(255.0 * 255.0 / (sum / a.rgb.size()));
}

// The JPEG segment with this marker (its bytes after the length), or empty.
std::string Segment(const std::string& jpeg, unsigned char marker) {
  for (std::size_t at = 2; at + 4 <= jpeg.size();) {
    const unsigned char m = static_cast<unsigned char>(jpeg[at + 1]);
    const std::size_t length = static_cast<unsigned char>(jpeg[at + 2]) << 8 | static_cast<unsigned char>(jpeg[at + 3]);
    if (m == marker) return jpeg.substr(at + 4, length - 2);
    if (m == 0xDA) break;
    at += 2 + length;
  }
  return {};
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class ImageFilesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::ClearFaults();
    quillon::FailNthPixelAllocation(0);
  }
  testing_support::TempFolder dir;
  image_test::RecordedMessages messages;
};

TEST_F(ImageFilesTest, BitmapFileBytes) {
  // 5 × 2: rows of 15 bytes and 1 of padding, so 54 + 32 = 86 bytes; the file is what the format prescribes.
  const Picture p = Pattern(5, 2);
  CImageBuffer b;
  Fill(b, p, kFormatPackedRGB, dir);
  ASSERT_EQ(b.ConvertTo(kFormatBitmap), 0);  // padding 255 in the buffer, written as it stands
  ASSERT_EQ(b.Save(dir / "out.bmp", kImageFileBitmap), 0);
  const std::string bytes = ReadRaw(dir / "out.bmp");
  ASSERT_EQ(bytes.size(), 86u);
  EXPECT_EQ(bytes, BitmapBytes(p, '\xFF'));
  EXPECT_EQ(image_test::Get32(bytes, 2), 86u);
  EXPECT_EQ(image_test::Get32(bytes, 10), 54u);
  EXPECT_EQ(image_test::Get32(bytes, 34), 32u);
  CImageBuffer again;
  ASSERT_EQ(again.Load(dir / "out.bmp", kImageFileBitmap), 0);
  EXPECT_EQ(PictureOf(again), p);
  EXPECT_EQ(again.LoadedWidth(), 5);
  EXPECT_EQ(again.LoadedHeight(), 2);
  EXPECT_EQ(again.Header().bmiHeader.biSizeImage, 32u);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ImageFilesTest, BitmapLayoutsOfOtherWriters) {
  const Picture p = Pattern(3, 4);
  const std::string plain = BitmapBytes(p);
  // Rows stored top-down (a negative height) come out bottom-up, with a positive height.
  std::string topDown = plain.substr(0, 54);
  image_test::Put32(topDown, 22, static_cast<std::uint32_t>(-4));
  for (int s = 3; s >= 0; --s) topDown += plain.substr(54 + 12 * s, 12);
  // A longer info header (124 bytes, as newer writers make) with the pixels where the file header says.
  std::string v5 = plain.substr(0, 54);
  image_test::Put32(v5, 10, 138);
  image_test::Put32(v5, 14, 124);
  v5 += std::string(84, '\x11') + plain.substr(54);
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {{"TopDown", topDown}, {"InfoHeader124", v5}};
  for (const auto& c : cases) {
    WriteRaw(dir / "in.bmp", c.bytes);
    CImageBuffer b;
    ASSERT_EQ(b.Load(dir / "in.bmp", kImageFileBitmap), 0) << c.name;
    EXPECT_EQ(b.Height(), 4) << c.name;
    EXPECT_EQ(b.Header().bmiHeader.biHeight, 4) << c.name;
    EXPECT_EQ(PictureOf(b), p) << c.name;
  }
}

TEST_F(ImageFilesTest, MissingFilesAreUnreadable) {
  for (int kind : {kImageFileBitmap, kImageFileJpeg}) {
    messages.Clear();
    CImageBuffer b;
    Fill(b, Pattern(2, 2), kFormatBitmap, dir);
    const std::string path = dir / "missing.img";
    EXPECT_EQ(b.Load(path, kind), -1) << kind;
    EXPECT_EQ(messages.shown, (Shown{{kMsgImageUnreadable, path}})) << kind;
    EXPECT_EQ(b.Format(), 0) << kind;
    EXPECT_EQ(b.Pixels(), nullptr) << kind;
  }
}

TEST_F(ImageFilesTest, DamagedAndHostileFilesAreUnreadable) {
  const std::string corpus = dir / "corpus";
  ASSERT_TRUE(image_test::RunPython(
      dir, ReadRaw(testing_support::SourceDir() + "/tests/fixtures/images/make_damaged_images.py"), Quoted(corpus)));
  const std::vector<std::string> names = FolderNames(corpus);
  ASSERT_GE(names.size(), 30u);
  for (const std::string& name : names) {
    const std::string path = corpus + "/" + name;
    const bool jpeg = name.ends_with(".jpg");
    const auto start = std::chrono::steady_clock::now();
    for (int scaled = 0; scaled < (jpeg ? 2 : 1); ++scaled) {
      messages.Clear();
      CImageBuffer b;
      const int result = scaled ? b.LoadScaled(path, 194) : b.Load(path, jpeg ? kImageFileJpeg : kImageFileBitmap);
      EXPECT_EQ(result, -1) << name << (scaled ? " scaled" : "");
      EXPECT_EQ(messages.shown, (Shown{{kMsgImageUnreadable, path}})) << name;
      EXPECT_EQ(b.Format(), 0) << name;
      EXPECT_EQ(b.Pixels(), nullptr) << name;
    }
    // A file that claims a huge picture and holds none is refused at once, not decoded to the end.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << name;
  }
}

TEST_F(ImageFilesTest, JpegRoundTripAtQuality80Baseline) {
  const Picture p = Gradient(64, 48);
  CImageBuffer b;
  Fill(b, p, kFormatPackedRGB, dir);
  ASSERT_EQ(b.Save(dir / "out.jpg", kImageFileJpeg), 0);
  CImageBuffer again;
  ASSERT_EQ(again.Load(dir / "out.jpg", kImageFileJpeg), 0);
  EXPECT_EQ(again.Format(), kFormatPackedRGB);
  EXPECT_EQ(again.ByteSize(), 64 * 48 * 3);
  EXPECT_EQ(again.LoadedWidth(), 64);
  EXPECT_EQ(again.LoadedHeight(), 48);
  EXPECT_GT(Psnr(PictureOf(again), p), 30);

  // Baseline (SOF0), and the standard tables scaled for quality 80: (table × 40 + 50) / 100.
  const std::string jpeg = ReadRaw(dir / "out.jpg");
  EXPECT_FALSE(Segment(jpeg, 0xC0).empty());
  EXPECT_TRUE(Segment(jpeg, 0xC2).empty());
  static const int kLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                     14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                     18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                     49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
  static const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
  const std::string dqt = Segment(jpeg, 0xDB);
  ASSERT_GE(dqt.size(), 65u);
  EXPECT_EQ(dqt[0], 0);  // 8-bit table 0
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(static_cast<unsigned char>(dqt[1 + i]), (kLuminance[kZigzag[i]] * 40 + 50) / 100) << i;
  }
}

TEST_F(ImageFilesTest, GrayJpegLoadsAsThreeEqualChannels) {
  const Picture p = Gradient(33, 17);
  image_test::WritePpm(dir / "in.ppm", p);
  ASSERT_TRUE(Shell("cjpeg -grayscale -outfile " + Quoted(dir / "gray.jpg") + " " + Quoted(dir / "in.ppm")));
  ASSERT_TRUE(Shell("djpeg -pnm -outfile " + Quoted(dir / "gray.pgm") + " " + Quoted(dir / "gray.jpg")));
  Picture expected;
  int components = 0;
  ASSERT_TRUE(image_test::ReadNetpbm(dir / "gray.pgm", expected, &components));
  ASSERT_EQ(components, 1);
  for (bool scaled : {false, true}) {
    CImageBuffer b;
    ASSERT_EQ(scaled ? b.LoadScaled(dir / "gray.jpg", 100) : b.Load(dir / "gray.jpg", kImageFileJpeg), 0);
    EXPECT_EQ(b.Format(), kFormatPackedRGB);
    EXPECT_EQ(b.ByteSize(), 33 * 17 * 3);
    EXPECT_EQ(PictureOf(b), expected) << scaled;
  }
}

TEST_F(ImageFilesTest, FailedSavesLeaveTheOldFile) {
  const std::string old = "the photo as it was";
  struct Case {
    const char* name;
    int kind;
    int format;          // of the buffer saved; 0: an empty buffer
    std::string target;  // relative to the test folder
    platform::FileOp fault;
    int faultCall;  // 0: none
    bool readOnly;
  } cases[] = {
      {"JpegIntoMissingFolder", kImageFileJpeg, kFormatPackedRGB, "no/such/folder/p.jpg", platform::FileOp::Open, 0,
       false},
      {"BitmapIntoMissingFolder", kImageFileBitmap, kFormatBitmap, "no/such/folder/p.bmp", platform::FileOp::Open, 0,
       false},
      {"JpegWriteFails", kImageFileJpeg, kFormatPackedRGB, "p.jpg", platform::FileOp::Write, 1, false},
      {"JpegRenameFails", kImageFileJpeg, kFormatPackedRGB, "p.jpg", platform::FileOp::Rename, 1, false},
      {"JpegOpenFails", kImageFileJpeg, kFormatPackedRGB, "p.jpg", platform::FileOp::Open, 1, false},
      {"BitmapWriteFails", kImageFileBitmap, kFormatBitmap, "p.bmp", platform::FileOp::Write, 1, false},
      {"JpegOverReadOnly", kImageFileJpeg, kFormatPackedRGB, "p.jpg", platform::FileOp::Open, 0, true},
      {"BitmapOverReadOnly", kImageFileBitmap, kFormatBitmap, "p.bmp", platform::FileOp::Open, 0, true},
      {"JpegOfBitmapLayout", kImageFileJpeg, kFormatBitmap, "p.jpg", platform::FileOp::Open, 0, false},
      {"BitmapOfPackedLayout", kImageFileBitmap, kFormatPackedRGB, "p.bmp", platform::FileOp::Open, 0, false},
      {"JpegOfEmptyBuffer", kImageFileJpeg, 0, "p.jpg", platform::FileOp::Open, 0, false},
      {"BitmapOfEmptyBuffer", kImageFileBitmap, 0, "p.bmp", platform::FileOp::Open, 0, false},
  };
  for (const Case& c : cases) {
    testing_support::TempFolder folder;
    const std::string target = folder / c.target;
    if (std::string(c.target).find('/') == std::string::npos) WriteRaw(target, old);
    if (c.readOnly) chmod(target.c_str(), 0444);
    CImageBuffer b;
    if (c.format) Fill(b, Pattern(7, 5), c.format, dir);
    const std::vector<std::string> before = FolderNames(folder.path());
    messages.Clear();
    if (c.faultCall) platform::FailNthCall(c.fault, c.faultCall);
    EXPECT_EQ(b.Save(target, c.kind), -1) << c.name;
    platform::ClearFaults();
    EXPECT_EQ(messages.shown, (Shown{{kMsgImageNotSaved, target}})) << c.name;
    EXPECT_EQ(FolderNames(folder.path()), before) << c.name << ": nothing left beside the target";
    if (!before.empty()) {
      EXPECT_EQ(ReadRaw(target), old) << c.name;
    }
  }
}

TEST_F(ImageFilesTest, SavesReplaceTheOldFile) {
  for (int kind : {kImageFileJpeg, kImageFileBitmap}) {
    const std::string target = dir / (kind == kImageFileJpeg ? "p.jpg" : "p.bmp");
    WriteRaw(target, "old");
    CImageBuffer b;
    Fill(b, Pattern(7, 5), kind == kImageFileJpeg ? kFormatPackedRGB : kFormatBitmap, dir);
    ASSERT_EQ(b.Save(target, kind), 0) << kind;
    CImageBuffer again;
    ASSERT_EQ(again.Load(target, kind), 0) << kind;
    EXPECT_EQ(again.Width(), 7);
  }
  EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"fill.bmp", "p.bmp", "p.jpg"}));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ImageFilesTest, NamesInCp932) {
  // Paths are CP932 inside the system and UTF-8 on disk.
  CImageBuffer b;
  Fill(b, Pattern(6, 4), kFormatPackedRGB, dir);
  const std::string name = "写真&表.jpg";
  ASSERT_EQ(b.Save(dir / name, kImageFileJpeg), 0);
  EXPECT_TRUE(std::filesystem::exists(dir / testing_support::Utf8(name)));
  CImageBuffer again;
  ASSERT_EQ(again.Load(dir / name, kImageFileJpeg), 0);
  EXPECT_EQ(again.Width(), 6);
  ASSERT_EQ(again.LoadScaled(dir / name, 3), 0);
  EXPECT_EQ(again.Width(), 3);
  EXPECT_EQ(again.Height(), 2);
}

TEST_F(ImageFilesTest, JpegWriterRefusesWhatItCannotWrite) {
  const Picture p = Pattern(4, 4);
  const struct {
    const char* name;
    int width, height;
    const std::uint8_t* pixels;
  } cases[] = {{"HeightZero", 4, 0, p.rgb.data()}, {"WidthNegative", -4, 4, p.rgb.data()}, {"NoPixels", 4, 4, nullptr}};
  for (const auto& c : cases) {
    EXPECT_EQ(quillon::WriteJpegFile(dir / "w.jpg", c.pixels, c.width, c.height, 80), 0) << c.name;
  }
  std::vector<std::uint8_t> wide(70000 * 3, 7);
  EXPECT_EQ(quillon::WriteJpegFile(dir / "w.jpg", wide.data(), 70000, 1, 80), 0);  // beyond JPEG's 65500
  EXPECT_FALSE(std::filesystem::exists(dir / "w.jpg"));
  EXPECT_EQ(quillon::WriteJpegFile(dir / "w.jpg", p.rgb.data(), 4, 4, 80), 1);
}

TEST_F(ImageFilesTest, ReadFailuresAndFailedAllocations) {
  CImageBuffer b;
  Fill(b, Pattern(1200, 900), kFormatPackedRGB, dir);
  ASSERT_EQ(b.Save(dir / "p.jpg", kImageFileJpeg), 0);
  image_test::WritePpm(dir / "in.ppm", Gradient(40, 30));
  ASSERT_TRUE(Shell("cjpeg -grayscale -outfile " + Quoted(dir / "gray.jpg") + " " + Quoted(dir / "in.ppm")));
  const struct {
    const char* name;
    std::string path;
    int readFault;   // the nth read of the file fails
    int allocFault;  // the nth pixel allocation fails
    int message;
  } cases[] = {
      {"FirstReadFails", dir / "p.jpg", 1, 0, kMsgImageUnreadable},
      {"ReadInTheMiddleFails", dir / "p.jpg", 2, 0, kMsgImageUnreadable},
      {"PixelBlockNotHad", dir / "p.jpg", 0, 1, kMsgImageUnreadable},
      {"GrayWideningNotHad", dir / "gray.jpg", 0, 2, quillon::kMsgOutOfMemory},
  };
  // The JPEG is larger than one read, so a read in the middle of the data can fail.
  ASSERT_GT(std::filesystem::file_size(dir / "p.jpg"), 300000u);
  for (const auto& c : cases) {
    messages.Clear();
    if (c.readFault) platform::FailNthCall(platform::FileOp::Read, c.readFault);
    if (c.allocFault) quillon::FailNthPixelAllocation(c.allocFault);
    CImageBuffer r;
    EXPECT_EQ(r.Load(c.path, kImageFileJpeg), -1) << c.name;
    platform::ClearFaults();
    quillon::FailNthPixelAllocation(0);
    ASSERT_EQ(messages.shown.size(), 1u) << c.name;
    EXPECT_EQ(messages.shown[0].first, c.message) << c.name;
    EXPECT_EQ(r.Format(), 0) << c.name;
  }
}

// The smallest n (1 to 8) whose n/8 scale (sides rounded up, as libjpeg scales) is not below the fitted size.
int SmallestScale(int width, int height, int fitWidth, int fitHeight) {
  for (int n = 1; n < 8; ++n) {
    if ((width * n + 7) / 8 >= fitWidth && (height * n + 7) / 8 >= fitHeight) return n;
  }
  return 8;
}

TEST_F(ImageFilesTest, ScaledReadFitsThePicture) {
  const struct {
    const char* name;
    int width, height, limit;
    int fitWidth, fitHeight;
  } cases[] = {
      {"LandscapeEighth", 1600, 1200, 194, 194, 145},
      {"OddSizes", 1001, 777, 194, 194, 150},
      {"ExactQuarter", 776, 400, 194, 194, 100},
      {"TallPortrait", 100, 1000, 194, 19, 194},
      {"JustAboveLimit", 200, 150, 194, 194, 145},
      {"FitsAlready", 150, 120, 194, 150, 120},
      {"Square", 500, 500, 194, 194, 194},
      {"ThinStrip", 2000, 2, 194, 194, 1},
  };
  for (const auto& c : cases) {
    const std::string path = dir / (std::string(c.name) + ".jpg");
    const Picture p = Gradient(c.width, c.height);
    ASSERT_EQ(quillon::WriteJpegFile(path, p.rgb.data(), c.width, c.height, 80), 1) << c.name;

    int w = 0, h = 0, components = 0, fileWidth = 0, fileHeight = 0;
    quillon::PixelBlock block = quillon::ReadJpegFileScaled(path, c.limit, w, h, components, fileWidth, fileHeight);
    ASSERT_TRUE(block) << c.name;
    const int n = SmallestScale(c.width, c.height, c.fitWidth, c.fitHeight);
    EXPECT_EQ(w, (c.width * n + 7) / 8) << c.name;
    EXPECT_EQ(h, (c.height * n + 7) / 8) << c.name;
    EXPECT_EQ(fileWidth, c.width) << c.name;
    EXPECT_EQ(fileHeight, c.height) << c.name;
    // The decode at that scale is libjpeg's own: djpeg scales the same.
    const std::string ppm = dir / "scaled.ppm";
    ASSERT_TRUE(Shell("djpeg -scale " + std::to_string(n) + "/8 -outfile " + Quoted(ppm) + " " + Quoted(path)));
    Picture peer;
    ASSERT_TRUE(image_test::ReadNetpbm(ppm, peer));
    EXPECT_EQ(peer, (Picture{w, h, std::vector<std::uint8_t>(block.get(), block.get() + w * h * 3)})) << c.name;

    CImageBuffer b;
    ASSERT_EQ(b.LoadScaled(path, c.limit), 0) << c.name;
    EXPECT_EQ(b.Format(), kFormatPackedRGB);
    EXPECT_EQ(b.Width(), c.fitWidth) << c.name;
    EXPECT_EQ(b.Height(), c.fitHeight) << c.name;
    EXPECT_EQ(b.LoadedWidth(), c.width) << c.name;
    EXPECT_EQ(b.LoadedHeight(), c.height) << c.name;
    // Then the buffer's own resize makes the exact size: at the full scale, as a full read resized.
    if (n == 8 && (w != c.fitWidth || h != c.fitHeight)) {
      CImageBuffer full;
      ASSERT_EQ(full.Load(path, kImageFileJpeg), 0);
      ASSERT_EQ(full.Resize(c.fitWidth, c.fitHeight), 0);
      EXPECT_EQ(PictureOf(b), PictureOf(full)) << c.name;
    }
  }
  CImageBuffer b;
  ASSERT_EQ(b.LoadScaled(dir / "LandscapeEighth.jpg", 0), 0);  // no limit: full size
  EXPECT_EQ(b.Width(), 1600);
}

}  // namespace
