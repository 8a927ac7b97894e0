#include "UIF_HestrelMain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "URC_GlobalData.h"
#include "hestrel_test_support.h"

namespace {

using hestrel_test::FakeDorvik;
using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::WriteRaw;

// The work folder's name under the fake clock (1 May, 09:30, 123 ms).
constexpr const char* kWorkName = "VsTemp05010930123";

class ExportsTest : public hestrel_test::HestrelTest {
 public:
  ExportsTest() {
    WriteRaw(src, "estimate");
    platform::MakeFolder(images);
    Load();
  }
  std::string Work() const { return env.tempFolder + "/" + kWorkName; }
  int GetHeader(std::int32_t mode = 0, std::int32_t size = 512) {
    buffer.assign(600, 0x55);
    bufSize = size;
    return ZkGetHeader(dll.c_str(), src.c_str(), buffer.data(), &bufSize, mode);
  }
  int GetHeaderLong() { return GetHeader(); }
  int GetImg() { return ZkGetImgData(dll.c_str(), src.c_str(), dst.c_str(), images.c_str()); }
  int DivImg() { return ZkDivImgData(dll.c_str(), src.c_str(), dst.c_str()); }

  FakeDorvik fake;
  std::string dll = fake.folder;
  std::string src = root / "src.vek", dst = root / "dst.vek", images = root / "images";
  std::vector<char> buffer;
  std::int32_t bufSize = 0;
};

struct StepCase {
  const char* name;
  std::function<void(ExportsTest&)> setUp;
  int expected;
};

void RunSteps(ExportsTest& t, const std::vector<StepCase>& cases, int (ExportsTest::*call)()) {
  for (const StepCase& c : cases) {
    t.fake.Reset();
    t.dll = t.fake.folder;
    t.images = t.root / "images";
    t.dst = t.root / "dst.vek";
    platform::DeleteTree(t.Work());
    c.setUp(t);
    EXPECT_EQ((t.*call)(), c.expected) << c.name << "; calls: " << t.fake.Calls();
    platform::ClearFaults();
    platform::DeleteTree(t.root / "images");
    platform::MakeFolder(t.root / "images");
    WriteRaw(t.src, "estimate");
  }
}

void Nothing(ExportsTest&) {}
auto Fails(const char* name) {
  return [name](ExportsTest& t) { t.fake.Fail(name); };
}
// A signature record with that signature (up to four bytes) and the usual rest.
auto Signature(const char* signature) {
  return [signature](ExportsTest& t) {
    hestrel::HeaderData data{};
    std::memcpy(data.Signature, signature, strnlen(signature, 4));
    std::memcpy(data.Version, "0010", 4);
    data.HeaderInfoLength = 305;
    t.fake.SetHeader(&data, nullptr);
  };
}
auto NoDorvik = [](ExportsTest& t) { t.dll = t.root / "none"; };
auto NoSource = [](ExportsTest& t) { platform::DeleteFile(t.src); };
auto WorkFolderTaken = [](ExportsTest& t) { platform::MakeFolder(t.Work()); };

TEST_F(ExportsTest, GetHeaderStepCodes) {
  RunSteps(*this,
           {
               {"estimate file missing", NoSource, -1},
               {"library missing", NoDorvik, -1},
               {"Initialize fails", Fails("Initialize"), -1},
               {"signature record unreadable", Fails("ReadFileHeaderData"), -2},
               {"signature not VEK3", Signature("VEK4"), -3},
               {"signature shorter than four bytes", Signature("VE"), -3},
               {"header information unreadable", Fails("ReadFileHeaderInfo"), -4},
               {"read", Nothing, 0},
           },
           &ExportsTest::GetHeaderLong);
  EXPECT_EQ(GetHeader(2), -5);
  EXPECT_EQ(GetHeader(-1), -5);
}

TEST_F(ExportsTest, GetImgDataStepCodes) {
  RunSteps(*this,
           {
               {"source missing", NoSource, -1},
               {"image folder is a file", [](ExportsTest& t) { t.images = t.src; }, -2},
               {"image folder missing", [](ExportsTest& t) { t.images = t.root / "none"; }, -2},
               {"image folder beyond 255 bytes",
                [](ExportsTest& t) {
                  t.images = t.root / std::string(250, 'i');
                  platform::MakeFolder(t.images);
                },
                -2},
               {"library missing", NoDorvik, -3},
               {"library lacks an export",
                [](ExportsTest& t) { t.dll = std::string(FAKE_DORVIK_DIR) + "/fakedorvik-nofeedback"; }, -3},
               {"work folder taken", WorkFolderTaken, -3},
               {"Initialize fails", Fails("Initialize"), -4},
               {"OpenVekFile fails", Fails("OpenVekFile"), -5},
               {"GetImagePathName fails", Fails("GetImagePathName"), -6},
               {"image path of size 0", [](ExportsTest& t) { t.fake.SetText("GetImagePathName", "", 0); }, -6},
               {"GetVistrelLinkFileName fails", Fails("GetVistrelLinkFileName"), -7},
               {"DeleteAllImageData fails", Fails("DeleteAllImageData"), -8},
               {"SaveVekFileEx fails", Fails("SaveVekFileEx"), -9},
               {"image copy fails",
                [](ExportsTest& t) {
                  t.fake.SetContent("Image/a.jpg=AAA\n");
                  platform::FailNthCall(platform::FileOp::Write, 1);
                },
                hestrel::kCopyFailed},
               {"done", Nothing, 0},
           },
           &ExportsTest::GetImg);
  fake.Reset();
  EXPECT_EQ(ZkGetImgData(dll.c_str(), src.c_str(), dst.c_str(), src.c_str()), -2);
  EXPECT_EQ(fake.Calls(), "") << "the library was not loaded";
  EXPECT_EQ(ZkGetImgData(dll.c_str(), src.c_str(), nullptr, images.c_str()), -9);  // raised inside: its step
  EXPECT_EQ(ZkGetImgData(dll.c_str(), nullptr, dst.c_str(), images.c_str()), -1);
  EXPECT_EQ(ZkGetImgData(dll.c_str(), src.c_str(), dst.c_str(), nullptr), -2);
}

TEST_F(ExportsTest, DivImgDataStepCodes) {
  RunSteps(*this,
           {
               {"source missing", NoSource, -1},
               {"library missing", NoDorvik, -2},
               {"work folder taken", WorkFolderTaken, -2},
               {"Initialize fails", Fails("Initialize"), -3},
               {"OpenVekFile fails", Fails("OpenVekFile"), -4},
               {"DeleteAllImageData fails", Fails("DeleteAllImageData"), -5},
               {"SaveVekFileEx fails", Fails("SaveVekFileEx"), -6},
               {"done", Nothing, 0},
           },
           &ExportsTest::DivImg);
  EXPECT_EQ(ZkDivImgData(dll.c_str(), src.c_str(), nullptr), -6);
}

TEST_F(ExportsTest, GetHeaderSizeAndBuffer) {
  EXPECT_EQ(GetHeader(0, 511), 1);
  EXPECT_EQ(bufSize, 512);
  EXPECT_EQ(buffer[0], 0x55) << "nothing else touched";
  EXPECT_EQ(fake.Calls(), "");

  EXPECT_EQ(GetHeader(2, 512), -5);
  EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 512, 0), 512) << "zeroed over the size given";
  EXPECT_EQ(buffer[512], 0x55);

  platform::DeleteFile(src);
  EXPECT_EQ(GetHeader(0, 10), -1) << "missing file before the size";
  EXPECT_EQ(bufSize, 10);

  WriteRaw(src, "estimate");
  EXPECT_EQ(ZkGetHeader(dll.c_str(), src.c_str(), buffer.data(), nullptr, 0), -1);
  std::int32_t size = 512;
  EXPECT_EQ(ZkGetHeader(dll.c_str(), src.c_str(), nullptr, &size, 0), -1);
}

TEST_F(ExportsTest, GetHeaderForms) {
  hestrel::HeaderInfo info{};
  std::memcpy(info.AcceptNo, "A-1", 3);
  std::memcpy(info.CustomerName, "顧客", 4);
  std::memcpy(info.CarName, std::string(50, 'c').data(), 50);  // full width, no NUL
  std::memcpy(info.CarNoSerial, "12-34", 5);
  info.ImageCount = 3;
  fake.SetHeader(nullptr, &info);

  ASSERT_EQ(GetHeader(0, 600), 0);
  EXPECT_EQ(std::string(buffer.data(), 10), std::string("VEK30010\x31\x01", 10));
  EXPECT_EQ(std::string(buffer.data() + 10, 3), "A-1");
  EXPECT_EQ(std::string(buffer.data() + 147, 50), std::string(50, 'c'));
  EXPECT_EQ(buffer[210], 3);
  EXPECT_EQ(std::string(buffer.data() + 234, 5), "12-34");
  EXPECT_EQ(buffer[252], 0);
  EXPECT_EQ(buffer[253], 1);
  EXPECT_EQ(std::count(buffer.begin() + 254, buffer.end(), 0), 600 - 254);

  ASSERT_EQ(GetHeader(1, 512), 0);
  EXPECT_EQ(std::string(buffer.data() + 37, 4), "顧客");
  EXPECT_EQ(std::string(buffer.data() + 67, 50), std::string(50, 'c'));
  EXPECT_EQ(std::count(buffer.begin() + 117, buffer.begin() + 135, 0), 18) << "empty registration parts";
  EXPECT_EQ(std::string(buffer.data() + 135, 5), "12-34");
  EXPECT_EQ(buffer[145], 0);
  EXPECT_EQ(buffer[146], 1);
  EXPECT_EQ(std::count(buffer.begin() + 147, buffer.begin() + 512, 0), 512 - 147);
  EXPECT_EQ(fake.Calls().find("Initialize(0,<null>,<null>,0,)|ReadFileHeaderData(" + src + ")|ReadFileHeaderInfo("),
            0u);
}

TEST_F(ExportsTest, GetImgDataTakesOutImagesAndTheLinkFile) {
  fake.SetContent("Image/a.jpg=AAA\nImage/b.BMP=BBB\nImage/c.png=CCC\nImage/d.jpg/\nsrc.xml=<x/>\nOvDBInfo.ini=db\n");
  WriteRaw(images + "/a.jpg", "mine");
  ASSERT_EQ(GetImg(), 0);
  EXPECT_EQ(ReadRaw(images + "/a.jpg"), "mine") << "an existing file is left unchanged";
  EXPECT_EQ(ReadRaw(images + "/b.BMP"), "BBB");
  EXPECT_EQ(ReadRaw(images + "/src.xml"), "<x/>");
  EXPECT_FALSE(platform::Exists(images + "/c.png"));
  EXPECT_FALSE(platform::Exists(images + "/d.jpg"));
  EXPECT_EQ(fake.Saved(), "OvDBInfo.ini\nsrc.xml\n");
  EXPECT_EQ(fake.Calls(), "Initialize(0,<null>,<null>,0,)|OpenVekFile(" + src +
                              ")|GetImagePathName(size)|GetImagePathName(buffer)|GetVistrelLinkFileName(size," + src +
                              ")|GetVistrelLinkFileName(buffer," + src + ")|DeleteAllImageData|SaveVekFileEx(" + dst +
                              ")|Finalize");
  EXPECT_FALSE(platform::Exists(Work())) << "work folder deleted";
  EXPECT_EQ(ReadRaw(src), "estimate");
}

TEST_F(ExportsTest, LinkFileFallsBackToTheFirstXmlOrIsAbsent) {
  fake.SetContent("Image/a.jpg=A\nzeta.xml=Z\nalpha.xml=X\n");
  ASSERT_EQ(GetImg(), 0);
  EXPECT_EQ(ReadRaw(images + "/alpha.xml"), "X");
  EXPECT_FALSE(platform::Exists(images + "/zeta.xml"));

  fake.Reset();
  fake.SetContent("Image/a.jpg=A\n");
  platform::DeleteTree(images);
  platform::MakeFolder(images);
  EXPECT_EQ(GetImg(), 0) << "an estimate without a photo-link file";
  EXPECT_EQ(ReadRaw(images + "/a.jpg"), "A");
}

TEST_F(ExportsTest, FailedCopyStripsNothing) {
  fake.SetContent("Image/a.jpg=AAA\nImage/b.jpg=BBB\n");
  platform::FailNthCall(platform::FileOp::Write, 2);  // the second image
  EXPECT_EQ(GetImg(), hestrel::kCopyFailed);
  platform::ClearFaults();
  EXPECT_EQ(ReadRaw(images + "/a.jpg"), "AAA");
  EXPECT_FALSE(platform::Exists(images + "/b.jpg")) << "no half copy left behind";
  EXPECT_EQ(fake.Calls().find("DeleteAllImageData"), std::string::npos);
  EXPECT_TRUE(platform::IsFolder(Work())) << "a failed call keeps its work folder";
}

TEST_F(ExportsTest, SavedOverItselfTheImagesMustBeOutFirst) {
  fake.SetContent("Image/a.jpg=AAA\n");
  WriteRaw(images + "/a.jpg", "other");
  EXPECT_EQ(ZkGetImgData(dll.c_str(), src.c_str(), src.c_str(), images.c_str()), hestrel::kCopyFailed)
      << "a different file of that name would leave the image nowhere";
  EXPECT_EQ(ReadRaw(src), "estimate");
  EXPECT_EQ(ReadRaw(images + "/a.jpg"), "other");

  fake.Reset();
  fake.SetContent("Image/a.jpg=AAA\n");
  platform::DeleteTree(Work());
  WriteRaw(images + "/a.jpg", "AAA");  // already out, byte for byte
  EXPECT_EQ(ZkGetImgData(dll.c_str(), src.c_str(), src.c_str(), images.c_str()), 0);
  EXPECT_EQ(ReadRaw(src).rfind("saved\n", 0), 0u);
}

// Saved over itself, a tree the call cannot list whole is refused, never stripped with photos left unlisted.
TEST_F(ExportsTest, SavedOverItselfTheWholeTreeIsListedOrNothingHappens) {
  auto nested = [](int levels) {
    std::string path = "Image/";
    for (int i = 0; i < levels; ++i) path += "d/";
    return path + "P.jpg";
  };
  const struct {
    const char* name;
    std::string content;
    std::string photo;  // below the image folder, when it comes out
    int result;
  } cases[] = {
      {"DeepestTree", nested(64) + "=deep\n", nested(64).substr(6), 0},
      {"DeeperStill", nested(65) + "=deeper\n", "", hestrel::kCopyFailed},
      {"NoImageFolder", "OvDBInfo.ini=db\n", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fake.Reset();
    fake.SetContent(c.content.c_str());
    platform::DeleteTree(Work());
    platform::DeleteTree(images);
    platform::MakeFolder(images);
    WriteRaw(src, "estimate");
    ASSERT_EQ(ZkGetImgData(dll.c_str(), src.c_str(), src.c_str(), images.c_str()), c.result);
    if (c.result != 0) {
      EXPECT_EQ(fake.Calls().find("DeleteAllImageData"), std::string::npos);
      EXPECT_EQ(ReadRaw(src), "estimate");
      EXPECT_FALSE(platform::Exists(images + "/d")) << "nothing copied";
    } else if (!c.photo.empty()) {
      EXPECT_EQ(ReadRaw(images + "/" + c.photo), "deep");
    }
  }
}

TEST_F(ExportsTest, TemporaryFolderTooLongForItsBuffer) {
  env.tempFolder = root / std::string(255, 't');
  platform::MakeFolder(env.tempFolder);
  EXPECT_EQ(GetImg(), -3);
  EXPECT_EQ(DivImg(), -2);
}

TEST_F(ExportsTest, DivImgDataStripsAndSaves) {
  fake.SetContent("Image/a.jpg=AAA\nsrc.xml=x\nOvDBInfo.ini=db\n");
  ASSERT_EQ(DivImg(), 0);
  EXPECT_EQ(fake.Saved(), "OvDBInfo.ini\nsrc.xml\n");
  EXPECT_EQ(fake.Calls(), "Initialize(0,<null>,<null>,0,)|OpenVekFile(" + src + ")|DeleteAllImageData|SaveVekFileEx(" +
                              dst + ")|Finalize");
  EXPECT_FALSE(platform::Exists(Work()));
}

TEST_F(ExportsTest, WorkFolderDeletionPurgesWhatTheTreeDeleteLeft) {
  std::string work = root / "w";
  platform::MakeFolder(work);
  WriteRaw(work + "/a", "a");
  platform::SetAttributes(work + "/a", platform::kAttrReadOnly);
  platform::FailNthCall(platform::FileOp::Delete, 1);  // the tree delete fails at once
  hestrel::DeleteWorkFolder(work);
  EXPECT_FALSE(platform::Exists(work));
}

}  // namespace
