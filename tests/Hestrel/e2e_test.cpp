// The exports of the built libHestrel.so over the real libDorvik.so, on estimates made by the fixture
// generator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "hestrel_test_support.h"

namespace {

using testing_support::BinaryDir;
using testing_support::SourceDir;
using testing_support::WriteRaw;

using ZkGetHeaderFn = std::int32_t (*)(const char*, const char*, char*, std::int32_t*, std::int32_t);
using ZkGetImgDataFn = std::int32_t (*)(const char*, const char*, const char*, const char*);
using ZkDivImgDataFn = std::int32_t (*)(const char*, const char*, const char*);

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    pclose(p);
  }
  return out;
}

class EndToEndTest : public ::testing::Test {
 protected:
  EndToEndTest() : libs(BinaryDir() + "/lib") {
    hestrel_ = platform::LoadModuleFrom(libs + "/libHestrel.so", nullptr);
    if (!hestrel_) ADD_FAILURE() << platform::ModuleError();
  }
  ~EndToEndTest() override {
    if (hestrel_) platform::FreeModule(hestrel_);
  }
  template <class F>
  F Export(const char* name) {
    return platform::GetFunctionAs<F>(hestrel_, name);
  }
  // An estimate file from a JSON field set (UTF-8).
  // tail: a cabinet file for the archive part.
  std::string MakeVek(const std::string& name, const std::string& json, const std::string& tail = {}) {
    std::string vek = root / name;
    EXPECT_TRUE(testing_support::MakeVek(json, vek, tail));
    return vek;
  }
  int GetHeader(const std::string& vek, int mode) {
    buffer.assign(512, 0x55);
    std::int32_t size = 512;
    return Export<ZkGetHeaderFn>("ZkGetHeader")(libs.c_str(), vek.c_str(), buffer.data(), &size, mode);
  }
  std::string At(std::size_t offset, std::size_t size) const { return std::string(buffer.data() + offset, size); }

  testing_support::TempFolder root;
  std::string libs;
  std::vector<char> buffer;

 private:
  platform::ModuleHandle hestrel_ = nullptr;
};

const char* kFields = R"({"header_data": {"Version": "0010"},
  "header_info": {"AcceptNo": "R-0001", "GroupKey": "G", "SelfName": "中央モータース", "CustomerName": "山田 太郎",
                  "CarName": "カローラ", "GarageInDate": [2024, 5, 1], "GarageOutDate": [2024, 5, 10],
                  "Progress": 2, "ImageCount": 3, "CreatedDate": [2023, 12, 31], "Total": 1234567.5,
                  "CarNoDepartment": "品川", "CarNoDivision": "300", "CarNoBusiness": "あ",
                  "CarNoSerial": "12-34", "AgreedPassword": "secret"}})";

std::string Padded(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), '\0'); }

TEST_F(EndToEndTest, HeaderSummaryFromARealEstimate) {
  std::string vek = MakeVek("a.vek", kFields);
  ASSERT_EQ(GetHeader(vek, 0), 0);
  EXPECT_EQ(At(0, 10), std::string("VEK30010\x31\x01", 10));
  EXPECT_EQ(At(10, 37), Padded("R-0001", 37));
  EXPECT_EQ(At(77, 40), Padded("中央モータース", 40));
  EXPECT_EQ(At(117, 30), Padded("山田 太郎", 30));
  EXPECT_EQ(At(198, 4), std::string("\xE8\x07\x05\x01", 4));
  EXPECT_EQ(At(202, 4), std::string("\xE8\x07\x05\x0A", 4));
  EXPECT_EQ(At(206, 6), std::string("\x02\x00\x00\x00\x03\x00", 6));
  EXPECT_EQ(At(212, 4), std::string("\xE7\x07\x0C\x1F", 4));
  EXPECT_EQ(At(216, 28), Padded("品川", 8) + Padded("300", 6) + Padded("あ", 4) + Padded("12-34", 10));
  double total;
  std::memcpy(&total, buffer.data() + 244, 8);
  EXPECT_EQ(total, 1234567.5);
  EXPECT_EQ(At(252, 2), std::string("\x00\x01", 2));
  EXPECT_EQ(At(254, 258), std::string(258, '\0'));

  ASSERT_EQ(GetHeader(vek, 1), 0);
  EXPECT_EQ(At(0, 37), Padded("R-0001", 37));
  EXPECT_EQ(At(37, 30), Padded("山田 太郎", 30));
  EXPECT_EQ(At(67, 50), Padded("カローラ", 50));
  EXPECT_EQ(At(117, 28), Padded("品川", 8) + Padded("300", 6) + Padded("あ", 4) + Padded("12-34", 10));
  EXPECT_EQ(At(145, 2), std::string("\x00\x01", 2));
  EXPECT_EQ(At(147, 365), std::string(365, '\0'));
}

TEST_F(EndToEndTest, DamagedEstimates) {
  std::string vek = MakeVek("b.vek", kFields);
  std::string bytes = testing_support::ReadRaw(vek);
  WriteRaw(root / "short.vek", bytes.substr(0, 300));  // the signature record reads, the header does not
  EXPECT_EQ(GetHeader(root / "short.vek", 0), -4);
  WriteRaw(root / "sig.vek", "VEK4" + bytes.substr(4));  // the library's own signature check
  EXPECT_EQ(GetHeader(root / "sig.vek", 0), -2);
  EXPECT_EQ(GetHeader(root / "none.vek", 0), -1);
}

// An estimate whose archive holds two images, a file that is no image, a photo-link file and the database INI,
// packed by gcab (a peer of our cabinet writer).
class EndToEndImagesTest : public EndToEndTest {
 protected:
  EndToEndImagesTest() {
    platform::MakeFolders(root / "pack/Image");
    WriteRaw(root / "pack/Image/P0001.jpg", "jpeg bytes");
    WriteRaw(root / "pack/Image/P0002.bmp", "BM bitmap");
    WriteRaw(root / "pack/Image/notes.png", "png");
    WriteRaw(root / "pack/est.xml", "<TorVane2Data/>");
    WriteRaw(root / "pack/OvDBInfo.ini", "[General]\r\nSignature=OVDBINFO\r\n");
    std::string cab = root / "est.cab";
    EXPECT_EQ(std::system(("cd '" + root / "pack" + "' && gcab -c -z '" + cab +
                           "' OvDBInfo.ini est.xml Image/P0001.jpg Image/P0002.bmp Image/notes.png")
                              .c_str()),
              0);
    src = MakeVek("est.vek", kFields, cab);
    platform::MakeFolders(root / "images");
    platform::MakeFolders(root / "tmp");
    env.env.tempFolder = root / "tmp";
  }
  // The names in the cabinet part of an estimate file, listed by cabextract.
  std::string CabinetNames(const std::string& vek) {
    std::string fields = vek + ".json", cab = vek + ".cab";
    Shell("python3 '" + SourceDir() + "/tests/fixtures/make_vek.py' --read '" + vek + "' > '" + fields + "'");
    Shell("python3 -c \"import json,sys; open(sys.argv[2],'wb').write(bytes.fromhex(json.load(open(sys.argv[1]))"
          "['tail_hex']))\" '" + fields + "' '" + cab + "'");
    return Shell("cabextract -l '" + cab + "'");
  }
  int ImageCount(const std::string& vek) {
    if (GetHeader(vek, 0) != 0) return -1;
    std::int16_t count;
    std::memcpy(&count, buffer.data() + 210, sizeof count);
    return count;
  }
  std::string TempEntries() { return Shell("ls -A '" + root / "tmp" + "'"); }

  testing_support::FakeEnvironmentScope env;
  std::string src, images = root / "images";
};

TEST_F(EndToEndImagesTest, GetImgDataTakesOutAndStrips) {
  std::string before = testing_support::ReadRaw(src), dst = root / "out.vek";
  ASSERT_EQ(Export<ZkGetImgDataFn>("ZkGetImgData")(libs.c_str(), src.c_str(), dst.c_str(), images.c_str()), 0);
  EXPECT_EQ(testing_support::ReadRaw(images + "/P0001.jpg"), "jpeg bytes");
  EXPECT_EQ(testing_support::ReadRaw(images + "/P0002.bmp"), "BM bitmap");
  EXPECT_EQ(testing_support::ReadRaw(images + "/est.xml"), "<TorVane2Data/>");
  EXPECT_FALSE(platform::Exists(images + "/notes.png"));
  EXPECT_EQ(testing_support::ReadRaw(src), before) << "the source is untouched";
  EXPECT_EQ(ImageCount(src), 3);
  EXPECT_EQ(ImageCount(dst), 0);
  std::string names = CabinetNames(dst);
  EXPECT_NE(names.find("OvDBInfo.ini"), std::string::npos) << names;
  EXPECT_EQ(names.find("Image"), std::string::npos) << names;
  EXPECT_NE(names.find("est.xml"), std::string::npos) << "the photo-link file stays: " << names;
  EXPECT_EQ(TempEntries(), "") << "no work folder left";
}

TEST_F(EndToEndImagesTest, GetImgDataOverItself) {
  ASSERT_EQ(Export<ZkGetImgDataFn>("ZkGetImgData")(libs.c_str(), src.c_str(), src.c_str(), images.c_str()), 0);
  EXPECT_EQ(testing_support::ReadRaw(images + "/P0001.jpg"), "jpeg bytes");
  EXPECT_EQ(ImageCount(src), 0);
  EXPECT_EQ(CabinetNames(src).find("Image"), std::string::npos);
}

TEST_F(EndToEndImagesTest, GetImgDataOverItselfKeepsImagesThatCannotComeOut) {
  WriteRaw(images + "/P0002.bmp", "another bitmap");
  std::string before = testing_support::ReadRaw(src);
  EXPECT_EQ(Export<ZkGetImgDataFn>("ZkGetImgData")(libs.c_str(), src.c_str(), src.c_str(), images.c_str()), -10);
  EXPECT_EQ(testing_support::ReadRaw(src), before);
  EXPECT_EQ(testing_support::ReadRaw(images + "/P0002.bmp"), "another bitmap");
}

// Saved over itself, an estimate whose image folder holds photos of other kinds and a sub-folder: every file
// comes out where it lay, or, when one cannot, nothing changes.
TEST_F(EndToEndTest, GetImgDataOverItselfLosesNoFile) {
  const std::vector<std::pair<std::string, std::string>> photos = {
      {"Image/P0001.jpeg", "jpeg of another name"}, {"Image/P0002.png", "png photo"},
      {"Image/sub/P0003.jpg", "photo in a sub-folder"}, {"Image/P0004.JPG", "upper-case jpeg"}};
  platform::MakeFolders(root / "pack/Image/sub");
  std::string names = "OvDBInfo.ini";
  for (const auto& [name, bytes] : photos) {
    WriteRaw(root / "pack" + "/" + name, bytes);
    names += " " + name;
  }
  WriteRaw(root / "pack/OvDBInfo.ini", "[General]\r\nSignature=OVDBINFO\r\n");
  const std::string cab = root / "est.cab";
  ASSERT_EQ(std::system(("cd '" + root / "pack" + "' && gcab -c -z '" + cab + "' " + names).c_str()), 0);
  testing_support::FakeEnvironmentScope env;
  platform::MakeFolders(root / "tmp");
  env.env.tempFolder = root / "tmp";
  auto getImgData = Export<ZkGetImgDataFn>("ZkGetImgData");
  struct Case {
    const char* name;
    const char* blocker;  // a file put in the image folder first, at the place of "sub"
    int result;
  } cases[] = {{"all", nullptr, 0},       // every file comes out
               {"blocked", "sub", -10}};  // a sub-folder's name is taken
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string vek = MakeVek(std::string(c.name) + ".vek", kFields, cab);
    const std::string images = root / (std::string("images-") + c.name);
    platform::MakeFolders(images);
    if (c.blocker) WriteRaw(images + "/" + c.blocker, "a file");
    const std::string before = testing_support::ReadRaw(vek);
    ASSERT_EQ(getImgData(libs.c_str(), vek.c_str(), vek.c_str(), images.c_str()), c.result);
    if (c.result != 0) {
      EXPECT_EQ(testing_support::ReadRaw(vek), before) << "the estimate keeps its photos";
      EXPECT_EQ(Shell("ls -A '" + images + "'"), "sub\n") << "nothing copied";
      continue;
    }
    for (const auto& [name, bytes] : photos) {
      EXPECT_EQ(testing_support::ReadRaw(images + "/" + name.substr(6)), bytes) << name;
    }
    EXPECT_NE(testing_support::ReadRaw(vek), before) << "saved without its images";
  }
}

TEST_F(EndToEndImagesTest, DivImgDataStripsOnly) {
  std::string dst = root / "div.vek";
  ASSERT_EQ(Export<ZkDivImgDataFn>("ZkDivImgData")(libs.c_str(), src.c_str(), dst.c_str()), 0);
  EXPECT_EQ(ImageCount(dst), 0);
  EXPECT_EQ(CabinetNames(dst).find("Image"), std::string::npos);
  EXPECT_EQ(Shell("ls -A '" + images + "'"), "") << "nothing taken out";
  ASSERT_EQ(GetHeader(dst, 1), 0);
  EXPECT_EQ(At(0, 6), "R-0001");
  EXPECT_EQ(TempEntries(), "");
}

}  // namespace
