// Our image files against programs written by others: djpeg and cjpeg (libjpeg-turbo's own programs) and Pillow
// read what we write and write what we read, and agree with us on every pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImageBuffer.h"
#include "JpegFile.h"
#include "image_test_support.h"

using image_test::Fill;
using image_test::Gradient;
using image_test::Pattern;
using image_test::Picture;
using image_test::PictureOf;
using image_test::Quoted;
using image_test::ReadNetpbm;
using image_test::Shell;
using quillon::CImageBuffer;
using quillon::kFormatBitmap;
using quillon::kFormatPackedRGB;
using quillon::kImageFileBitmap;
using quillon::kImageFileJpeg;
using testing_support::ReadRaw;

namespace {

// A photograph-like picture: smooth with some grain, odd sides (partial blocks, padded bitmap rows).
Picture Photo(int width, int height) {
  Picture p = Gradient(width, height);
  const Picture grain = Pattern(width, height, 5);
  for (std::size_t i = 0; i < p.rgb.size(); ++i) p.rgb[i] = static_cast<std::uint8_t>(p.rgb[i] / 2 + grain.rgb[i] / 4);
  return p;
}

Picture Decoded(const std::string& path) {
  CImageBuffer b;
  EXPECT_EQ(b.Load(path, kImageFileJpeg), 0) << path;
  return PictureOf(b);
}

class ImagePeersTest : public ::testing::Test {
 protected:
  // djpeg's decode of a JPEG file.
  Picture Djpeg(const std::string& jpeg) {
    Picture p;
    const std::string ppm = dir / "djpeg.ppm";
    EXPECT_TRUE(Shell("djpeg -pnm -outfile " + Quoted(ppm) + " " + Quoted(jpeg)));
    EXPECT_TRUE(ReadNetpbm(ppm, p));
    return p;
  }
  // Raw RGB rows as Pillow reads a file.
  Picture PillowRead(const std::string& file, int width, int height) {
    const std::string raw = dir / "pillow.rgb";
    EXPECT_TRUE(image_test::RunPython(dir,
                                      "import sys\nfrom PIL import Image\n"
                                      "im = Image.open(sys.argv[1])\nassert im.mode == 'RGB', im.mode\n"
                                      "open(sys.argv[2], 'wb').write(im.tobytes())\n",
                                      Quoted(file) + " " + Quoted(raw)));
    const std::string bytes = ReadRaw(raw);
    return Picture{width, height, std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
  }

  testing_support::TempFolder dir;
  image_test::RecordedMessages messages;
};

TEST_F(ImagePeersTest, DjpegDecodesOurJpegsAsWeDo) {
  for (auto [w, h] : {std::pair{97, 61}, {1, 1}, {640, 480}}) {
    const Picture p = Photo(w, h);
    CImageBuffer b;
    Fill(b, p, kFormatPackedRGB, dir);
    ASSERT_EQ(b.Save(dir / "ours.jpg", kImageFileJpeg), 0);
    const Picture ours = Decoded(dir / "ours.jpg");
    EXPECT_EQ(Djpeg(dir / "ours.jpg"), ours) << w << "x" << h;
  }
}

TEST_F(ImagePeersTest, CjpegWritesTheBytesWeWrite) {
  // The same library with the same settings (quality 80, baseline tables, defaults otherwise): the same file.
  const Picture p = Photo(123, 45);
  image_test::WritePpm(dir / "in.ppm", p);
  ASSERT_TRUE(
      Shell("cjpeg -quality 80 -baseline -outfile " + Quoted(dir / "cjpeg.jpg") + " " + Quoted(dir / "in.ppm")));
  ASSERT_EQ(quillon::WriteJpegFile(dir / "ours.jpg", p.rgb.data(), p.width, p.height, 80), 1);
  EXPECT_EQ(ReadRaw(dir / "ours.jpg"), ReadRaw(dir / "cjpeg.jpg"));
}

TEST_F(ImagePeersTest, WeReadWhatDjpegAndCjpegWrite) {
  const Picture p = Photo(77, 50);
  image_test::WritePpm(dir / "in.ppm", p);
  const struct {
    const char* name;
    std::string options;
  } encodings[] = {{"Baseline", "-quality 90"},
                   {"Progressive", "-progressive"},
                   {"Optimized444", "-optimize -sample 1x1"},
                   {"Restarts", "-restart 1"},
                   {"Arithmetic", "-arithmetic"}};
  for (const auto& e : encodings) {
    const std::string jpeg = dir / (std::string(e.name) + ".jpg");
    ASSERT_TRUE(Shell("cjpeg " + e.options + " -outfile " + Quoted(jpeg) + " " + Quoted(dir / "in.ppm"))) << e.name;
    EXPECT_EQ(Decoded(jpeg), Djpeg(jpeg)) << e.name;
  }
  // djpeg's bitmap files (24-bit, bottom-up, padded rows) hold what its PPM holds.
  const std::string jpeg = dir / "Baseline.jpg";
  ASSERT_TRUE(Shell("djpeg -bmp -outfile " + Quoted(dir / "djpeg.bmp") + " " + Quoted(jpeg)));
  CImageBuffer b;
  ASSERT_EQ(b.Load(dir / "djpeg.bmp", kImageFileBitmap), 0);
  EXPECT_EQ(PictureOf(b), Djpeg(jpeg));
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ImagePeersTest, PillowReadsOurFiles) {
  const Picture p = Photo(45, 31);  // rows of 135 bytes: one byte of padding
  CImageBuffer b;
  Fill(b, p, kFormatPackedRGB, dir);
  ASSERT_EQ(b.Save(dir / "ours.jpg", kImageFileJpeg), 0);
  ASSERT_EQ(b.ConvertTo(kFormatBitmap), 0);
  ASSERT_EQ(b.Save(dir / "ours.bmp", kImageFileBitmap), 0);
  EXPECT_EQ(PillowRead(dir / "ours.bmp", 45, 31), p);
  EXPECT_EQ(PillowRead(dir / "ours.jpg", 45, 31), Decoded(dir / "ours.jpg"));
}

TEST_F(ImagePeersTest, WeReadWhatPillowWrites) {
  // Pillow makes a picture, saves it as a bitmap and as JPEGs, and dumps the pixels it reads back from each.
  ASSERT_TRUE(image_test::RunPython(dir,
                                    "import sys\nfrom PIL import Image\n"
                                    "d = sys.argv[1]\n"
                                    "im = Image.linear_gradient('L').resize((59, 37)).convert('RGB')\n"
                                    "im = Image.merge('RGB', (im.getchannel(0), im.getchannel(0).rotate(90),"
                                    " Image.effect_noise((59, 37), 40)))\n"
                                    "im.save(d + '/pillow.bmp')\n"
                                    "im.save(d + '/pillow.jpg', quality=95, subsampling=0)\n"
                                    "im.convert('L').save(d + '/pillow_gray.jpg')\n"
                                    "for name in ('pillow.bmp', 'pillow.jpg', 'pillow_gray.jpg'):\n"
                                    "    back = Image.open(d + '/' + name).convert('RGB')\n"
                                    "    open(d + '/' + name + '.rgb', 'wb').write(back.tobytes())\n",
                                    Quoted(dir.path())));
  for (const char* name : {"pillow.bmp", "pillow.jpg", "pillow_gray.jpg"}) {
    const std::string path = dir / name;
    CImageBuffer b;
    ASSERT_EQ(b.Load(path, std::string(name).ends_with(".bmp") ? kImageFileBitmap : kImageFileJpeg), 0) << name;
    EXPECT_EQ(b.Width(), 59);
    EXPECT_EQ(b.Height(), 37);
    const std::string raw = ReadRaw(path + ".rgb");
    EXPECT_EQ(PictureOf(b), (Picture{59, 37, std::vector<std::uint8_t>(raw.begin(), raw.end())})) << name;
  }
}

}  // namespace
