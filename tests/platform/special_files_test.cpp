// FIFOs, devices, folders and link loops where a regular file is expected: every reader and writer of the layer
// refuses them at once, and none of them blocks or reads without end.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "fakes.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/ini.h"
#include "platform/registry.h"
#include "test_support.h"

namespace {

using platform::OpenMode;
using testing_support::ChildEnd;
using testing_support::SpecialCase;
using testing_support::SpecialKind;
using testing_support::Utf8;

constexpr int kLimitSeconds = 5;

// The errors a refusal may give: what the entry is, or that the name does not lead to a file at all.
bool IsRefusal(int code) { return code == platform::kNotRegularFile || code == EISDIR || code == ELOOP; }

// The entry is still the special file it was: nothing was made, truncated or replaced at its name.
bool StillSpecial(const std::string& path, SpecialKind kind) {
  struct stat st;
  if (lstat(Utf8(path).c_str(), &st) != 0) return false;
  switch (kind) {
    case SpecialKind::Fifo:
      return S_ISFIFO(st.st_mode);
    case SpecialKind::Device:
      return S_ISCHR(st.st_mode) || S_ISLNK(st.st_mode);
    case SpecialKind::Folder:
      return S_ISDIR(st.st_mode);
    case SpecialKind::LinkToDevice:
    case SpecialKind::LinkLoop:
      return S_ISLNK(st.st_mode);
  }
  return false;
}

class SpecialFileTest : public ::testing::TestWithParam<SpecialCase> {
 protected:
  void SetUp() override {
    if (!testing_support::CanMakeSpecial(GetParam().kind)) {
      GTEST_SKIP() << "no " << GetParam().name << " can be made here";
    }
    ASSERT_TRUE(testing_support::MakeSpecial(path, GetParam().kind)) << GetParam().name;
  }
  // Runs work in a child with a limit, so that a hang fails the test instead of holding it.
  static void ExpectRefusedInTime(const std::function<bool()>& work, const char* what) {
    EXPECT_EQ(testing_support::RunInChildWithin(kLimitSeconds, work), ChildEnd::True) << what;
  }

  testing_support::TempFolder dir;
  std::string path = dir / "x.vek";
};

TEST_P(SpecialFileTest, OpenForReadingOrWritingIsRefusedAtOnce) {
  const struct {
    const char* name;
    OpenMode mode;
  } modes[] = {{"Read", OpenMode::Read},
               {"Update", OpenMode::Update},
               {"Write", OpenMode::Write},
               {"Append", OpenMode::Append},
               {"CreateNew", OpenMode::CreateNew},
               {"CreateTemporary", OpenMode::CreateTemporary}};
  for (const auto& m : modes) {
    ExpectRefusedInTime(
        [&] {
          auto f = platform::File::Open(path, m.mode);
          return !f && (IsRefusal(platform::LastError()) || platform::LastError() == EEXIST);
        },
        m.name);
    EXPECT_TRUE(StillSpecial(path, GetParam().kind)) << m.name;
  }
}

TEST_P(SpecialFileTest, WholeFileReadsAndSizesAreRefused) {
  ExpectRefusedInTime(
      [&] {
        std::string bytes;
        return !platform::ReadFile(path, bytes) && bytes.empty() && IsRefusal(platform::LastError());
      },
      "ReadFile");
  ExpectRefusedInTime(
      [&] {
        std::string bytes;
        return !platform::ReadFilePart(path, 0, 16, bytes) && IsRefusal(platform::LastError());
      },
      "ReadFilePart");
  ExpectRefusedInTime([&] { return platform::FileSize(path) == -1; }, "FileSize");
}

TEST_P(SpecialFileTest, IniFilesAreNeitherReadNorReplaced) {
  ExpectRefusedInTime(
      [&] {
        platform::IniDocument doc;
        return !platform::IniReadFile(path, doc);
      },
      "IniReadFile");
  ExpectRefusedInTime([&] { return platform::IniGetString("General", "Signature", "none", path) == "none"; },
                      "IniGetString");
  ExpectRefusedInTime([&] { return !platform::IniWriteString("General", "Signature", "X", path); },
                      "IniWriteString");
  EXPECT_TRUE(StillSpecial(path, GetParam().kind));
}

TEST_P(SpecialFileTest, TheRegistryFileIsNeitherReadNorReplaced) {
  testing_support::EnvVarScope registry("VEK_REGISTRY", path.c_str());
  ExpectRefusedInTime(
      [&] {
        std::string data;
        return !platform::RegistryReadValue("K", "v", data) && data.empty();
      },
      "RegistryReadValue");
  ExpectRefusedInTime([&] { return !platform::RegistrySetValue("K", "v", "1"); }, "RegistrySetValue");
  EXPECT_TRUE(StillSpecial(path, GetParam().kind));
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFileTest, ::testing::ValuesIn(testing_support::SpecialCases()),
                         [](const ::testing::TestParamInfo<SpecialCase>& info) { return info.param.name; });

TEST(SpecialFile, AFifoWithAWriterIsStillRefused) {
  // A writer that holds the FIFO open would make an open succeed at once: the refusal cannot rest on the open
  // failing or blocking.
  testing_support::TempFolder dir;
  const std::string path = dir / "photo.jpg";
  ASSERT_TRUE(testing_support::MakeSpecial(path, SpecialKind::Fifo));
  EXPECT_EQ(testing_support::RunInChildWithin(kLimitSeconds,
                                              [&] {
                                                int writer = ::open(Utf8(path).c_str(), O_RDWR | O_NONBLOCK);
                                                auto f = platform::File::Open(path, OpenMode::Read);
                                                bool refused = !f && platform::LastError() == platform::kNotRegularFile;
                                                if (writer >= 0) ::close(writer);
                                                return writer >= 0 && refused;
                                              }),
            ChildEnd::True);
}

// Another process swaps a FIFO in at the name, over and over, between the open's look at the name and the open:
// what was opened decides, so an open gives the regular file or a refusal, never a FIFO, and never blocks.
TEST(SpecialFile, AFifoSwappedInAfterTheLookIsRefused) {
  testing_support::TempFolder dir;
  const std::string path = dir / "photo.jpg", other = dir / "other";
  testing_support::WriteRaw(Utf8(path), "regular");
  ASSERT_TRUE(testing_support::MakeSpecial(other, SpecialKind::Fifo));
  auto exchange = [&] { return ::renameat2(AT_FDCWD, Utf8(path).c_str(), AT_FDCWD, Utf8(other).c_str(), RENAME_EXCHANGE); };
  if (exchange() != 0) GTEST_SKIP() << "the file system swaps no names";
  ASSERT_EQ(exchange(), 0);
  EXPECT_EQ(testing_support::RunInChildWithin(
                20,
                [&] {
                  std::atomic<bool> stop{false};
                  std::thread swapper([&] {
                    while (!stop) exchange();
                  });
                  int opened = 0;
                  bool sound = true;
                  for (int i = 0; i < 20000 && sound; ++i) {
                    auto f = platform::File::Open(path, OpenMode::Read);
                    if (!f) {
                      sound = platform::LastError() == platform::kNotRegularFile;
                      continue;
                    }
                    ++opened;
                    char bytes[16];
                    sound = f->Read(bytes, sizeof bytes) == 7 && std::string(bytes, 7) == "regular";
                  }
                  stop = true;
                  swapper.join();
                  return sound && opened > 0;
                }),
            ChildEnd::True);
}

TEST(SpecialFile, ARegularFileReadsAsBeforeAndBlocksNoMore) {
  testing_support::TempFolder dir;
  const std::string path = dir / "a.ini";
  testing_support::WriteRaw(Utf8(path), "[General]\r\nSignature=ABCDEFGH\r\n");
  EXPECT_EQ(platform::IniGetString("General", "Signature", "", path), "ABCDEFGH");
  auto f = platform::File::Open(path, OpenMode::Read);
  ASSERT_TRUE(f);
  char buffer[8];
  EXPECT_TRUE(f->ReadAll(buffer, sizeof buffer));
}

}  // namespace
