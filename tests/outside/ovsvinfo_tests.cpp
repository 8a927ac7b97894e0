// The header library stand-in as the controls use it: loaded by name, on estimates made by the independent
// generator with cabinets made by gcab.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "OvSvInfo.h"
#include "ovsvinfo_library.h"
#include "platform/env.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/module.h"
#include "test_support.h"

namespace {

using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::TempFolder;
using testing_support::WriteRaw;

constexpr char kRegistryKey[] = "SOFTWARE\\Kelmora\\Torvane\\Data\\Settings\\";
constexpr char kUntouched = 'Z';
// The photograph every estimate of these tests holds in its image folder.
const std::string kPhotoBytes("\xFF\xD8\xFF\xE0 not quite a photograph \xFF\xD9", 30);

// The machine's environment, except for the temporary folder and the registry.
class TestEnvironment : public platform::Environment {
 public:
  explicit TestEnvironment(platform::Environment& real) : real_(real) {}
  std::string temp;
  std::map<std::string, std::string> registry;  // "key|value" -> data

  std::string TempFolder() override { return temp; }
  std::string ProfileFolder() override { return real_.ProfileFolder(); }
  int ProcessId() override { return real_.ProcessId(); }
  void OsVersion(int& major, int& minor, int& build) override { real_.OsVersion(major, minor, build); }
  int ScreenDpiX() override { return real_.ScreenDpiX(); }
  int ScreenDpiY() override { return real_.ScreenDpiY(); }
  std::string GetSpecialFolder(platform::SpecialFolder which) override { return real_.GetSpecialFolder(which); }
  bool ReadRegistry(const std::string& key, const std::string& value, std::string& out) override {
    auto it = registry.find(key + "|" + value);
    if (it == registry.end()) return false;
    out = it->second;
    return true;
  }

 private:
  platform::Environment& real_;
};

const ovsvinfo_test::Library& OvSvInfo() {
  static const ovsvinfo_test::Library lib = ovsvinfo_test::Load("OvSvInfo.dll");
  return lib;
}

// What an estimate file holds. Texts are CP932.
struct Estimate {
  std::string acceptNo = "受付２０２４－０００１";
  std::string customerName = "山田　太郎";
  std::string carName = "プリウス　ＺＶＷ５０型";
  std::string department = "品川";
  std::string division = "３３０";  // fills its 6 bytes
  std::string business = "あ";
  std::string serial = "１２－３４";  // fills its 10 bytes
  std::string linkName;               // the photo-link file inside; empty: none
  std::string linkText = "<?xml version = \"1.0\" encoding = \"Shift_JIS\"?><TorVane2Data>\r\n  <Svef>\r\n"
                         "    <CustomerName1>山田　太郎</CustomerName1>\r\n  </Svef>\r\n</TorVane2Data>\r\n";
  bool damaged = false;  // an archive that is no cabinet
  std::vector<std::pair<std::string, std::string>> otherFiles;  // more files of the archive: name, text
  int historyEntries = 0;
  std::size_t cutArchive = 0;                             // bytes cut off the end of the cabinet
  std::pair<std::string, std::string> patchCabinet;        // bytes of the cabinet replaced by others (same length)
};

Estimate WithLink(const std::string& name) {
  Estimate e;
  e.linkName = name;
  return e;
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// Writes the estimate file (ASCII path): its cabinet by gcab, its head by the generator.
bool WriteEstimate(const std::string& path, const Estimate& e) {
  std::string stage = path + ".stage";
  std::filesystem::create_directories(stage + "/Image");
  WriteRaw(stage + "/Image/P0001.jpg", kPhotoBytes);
  std::string files = "Image/P0001.jpg";
  if (!e.linkName.empty()) {
    WriteRaw(stage + "/" + e.linkName, e.linkText);
    files += " '" + e.linkName + "'";
  }
  for (const auto& [name, text] : e.otherFiles) {
    std::string utf8 = testing_support::Utf8(name);
    std::filesystem::create_directories(std::filesystem::path(stage + "/" + utf8).parent_path());
    WriteRaw(stage + "/" + utf8, text);
    files += " '" + utf8 + "'";
  }
  std::string cab = path + ".cab";
  bool ok = e.damaged ? (WriteRaw(cab, std::string(200, '\x5A')), true)
                      : Shell("cd '" + stage + "' && gcab -c -z '" + cab + "' " + files);
  if (ok && (e.cutArchive || !e.patchCabinet.first.empty())) {
    std::string bytes = ReadRaw(cab);
    std::size_t at = e.patchCabinet.first.empty() ? std::string::npos : bytes.find(e.patchCabinet.first);
    if (at != std::string::npos) bytes.replace(at, e.patchCabinet.first.size(), e.patchCabinet.second);
    ok = e.patchCabinet.first.empty() || at != std::string::npos;
    bytes.resize(bytes.size() - std::min(e.cutArchive, bytes.size()));
    WriteRaw(cab, bytes);
  }
  std::string history;
  for (int i = 0; i < e.historyEntries; ++i) {
    history += std::string(i ? ", " : "") + R"({"RenewalDate": [2024, 5, 1, 9, 30, 0], "Name": "保存)" +
               std::to_string(i) + R"("})";
  }
  std::string json = R"({"header_info": {"AcceptNo": ")" + e.acceptNo + R"(", "CustomerName": ")" + e.customerName +
                     R"(", "CarName": ")" + e.carName + R"(", "GroupKey": "グループＡ", "SelfName": "見積工房",
    "GarageInDate": [2024, 5, 1], "Total": 1234.5, "CarNoDepartment": ")" + e.department +
                     R"(", "CarNoDivision": ")" + e.division + R"(", "CarNoBusiness": ")" + e.business +
                     R"(", "CarNoSerial": ")" + e.serial + R"("}, "history": [)" + history + "]}";
  ok = ok && testing_support::MakeVek(json, path, cab);
  std::filesystem::remove_all(stage);
  std::filesystem::remove(cab);
  std::filesystem::remove(path + ".json");
  return ok;
}

// Names in a folder, sorted, without "." and "..".
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Text(const char* literal) { return literal; }

// Why the end-to-end tests cannot run in this build; empty when they can. The build makes every library they
// need, so each of these is a failure (a Dorvik that fails to open the probe lets the tests run and show it).
std::string EndToEndBlocker() {
  static const std::string reason = [] {
    TempFolder t;
    if (!WriteEstimate(t / "probe.vek", WithLink("probe.xml"))) return Text("the fixture generator or gcab failed");
    platform::ModuleHandle dorvik = platform::LoadModule("Dorvik.dll");
    if (!dorvik) return Text("Dorvik does not load");
    platform::FreeModule(dorvik);
    if (!platform::IsFile(testing_support::BinaryDir() + "/lib/libPakkel.so")) {
      return Text("Pakkel is not in the build's library folder");
    }
    return std::string();
  }();
  return reason;
}

#define REQUIRE_END_TO_END()                                       \
  do {                                                             \
    std::string blocker = EndToEndBlocker();                       \
    if (!blocker.empty()) FAIL() << blocker;                       \
  } while (0)

class OvSvInfoTest : public ::testing::Test {
 protected:
  OvSvInfoTest() : env(platform::CurrentEnvironment()) {
    for (const char* f : {"tmp", "data", "target"}) std::filesystem::create_directories(root / f);
    env.temp = root / "tmp";
    tmp = root / "tmp";
    data = root / "data";
    target = root / "target";
  }
  void SetUp() override {
    ASSERT_NE(OvSvInfo().fmalt, nullptr) << platform::ModuleError();
    ASSERT_NE(OvSvInfo().getHeader, nullptr);
    ASSERT_NE(OvSvInfo().getDataPath, nullptr);
    platform::SetEnvironment(&env);
  }
  void TearDown() override {
    platform::ClearFaults();
    platform::SetEnvironment(nullptr);
  }

  std::string MakeEstimate(const std::string& name, const Estimate& e) {
    std::string path = data + "/" + name;
    EXPECT_TRUE(WriteEstimate(path, e)) << name;
    return path;
  }

  TempFolder root;
  TestEnvironment env;
  std::string tmp, data, target;
};

// ---- OvGetDataPath ----

TEST_F(OvSvInfoTest, DataPathComesFromTheRegistryAndFitsTheBuffer) {
  struct Case {
    const char* name;
    const char* value;  // nullptr: not set
    const char* other;  // a value of the key that is not ours
    std::string data;
    int result;
  } cases[] = {
      {"not set", nullptr, nullptr, "", -1},
      {"only the application path set", nullptr, "ApplicationPath", "/opt/torvane", -1},
      {"empty", "DataPath", nullptr, "", -1},
      {"a folder", "DataPath", nullptr, "/home/user/見積データ", 0},
      {"127 bytes", "DataPath", nullptr, "/" + std::string(126, 'd'), 0},
      {"128 bytes do not fit with the NUL", "DataPath", nullptr, "/" + std::string(127, 'd'), -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    env.registry.clear();
    if (c.value) env.registry[std::string(kRegistryKey) + "|" + c.value] = c.data;
    if (c.other) env.registry[std::string(kRegistryKey) + "|" + c.other] = c.data;
    char buffer[OVSVINFO_DATA_PATH_BUFFER_SIZE + 8];
    std::memset(buffer, kUntouched, sizeof buffer);
    std::memset(buffer, 0, OVSVINFO_DATA_PATH_BUFFER_SIZE);
    EXPECT_EQ(OvSvInfo().getDataPath(buffer), c.result);
    if (c.result == 0) {
      EXPECT_EQ(Show(buffer), Show(c.data));
      EXPECT_EQ(std::string(buffer + c.data.size(), OVSVINFO_DATA_PATH_BUFFER_SIZE - c.data.size()),
                std::string(OVSVINFO_DATA_PATH_BUFFER_SIZE - c.data.size(), '\0'));
    } else {
      EXPECT_EQ(std::string(buffer, OVSVINFO_DATA_PATH_BUFFER_SIZE), std::string(OVSVINFO_DATA_PATH_BUFFER_SIZE, '\0'));
    }
    EXPECT_EQ(std::string(buffer + OVSVINFO_DATA_PATH_BUFFER_SIZE, 8), std::string(8, kUntouched));
  }
  EXPECT_EQ(OvSvInfo().getDataPath(nullptr), -1);
}

// ---- OvGetHeader ----

TEST_F(OvSvInfoTest, HeaderFailsOnBadArgumentsAndFilesThatAreNoEstimates) {
  std::string good = MakeEstimate("good.vek", WithLink("good.xml"));
  std::string text = data + "/text.vek";
  WriteRaw(text, "this is no estimate file at all, only some words of text");
  std::string wrongSignature = data + "/vek2.vek";
  ASSERT_TRUE(testing_support::MakeVek(R"({"header_data": {"Signature": "VEK2"}})", wrongSignature));
  std::string missing = data + "/missing.vek";
  struct Case {
    const char* name;
    int kind;
    const char* path;
    bool buffer;
  } cases[] = {
      {"kind 0", 0, good.c_str(), true},
      {"kind 2", 2, good.c_str(), true},
      {"no path", 1, nullptr, true},
      {"empty path", 1, "", true},
      {"no buffer", 1, good.c_str(), false},
      {"missing file", 1, missing.c_str(), true},
      {"a folder", 1, data.c_str(), true},
      {"text file", 1, text.c_str(), true},
      {"signature VEK2", 1, wrongSignature.c_str(), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char buffer[OVSVINFO_HEADER_BUFFER_SIZE];
    std::memset(buffer, kUntouched, sizeof buffer);
    EXPECT_EQ(OvSvInfo().getHeader(c.kind, c.path, c.buffer ? buffer : nullptr), -1);
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, kUntouched));
    EXPECT_EQ(Names(tmp), std::vector<std::string>{});
  }
}

// The width bytes of text, NUL-padded.
std::string Field(const std::string& text, std::size_t width) {
  std::string f = text.substr(0, width);
  f.resize(width, '\0');
  return f;
}

std::string ExpectedSummary(const Estimate& e, bool link) {
  return Field(e.acceptNo, 37) + Field(e.customerName, 30) + Field(e.carName, 50) + Field(e.department, 8) +
         Field(e.division, 6) + Field(e.business, 4) + Field(e.serial, 10) + std::string(1, '\0') +
         std::string(1, link ? '\1' : '\0');
}

TEST_F(OvSvInfoTest, HeaderSummaryOfEstimates) {
  REQUIRE_END_TO_END();
  struct Case {
    const char* name;
    std::string file;
    ::Estimate estimate;
    bool link;
  };
  std::vector<Case> cases;
  cases.push_back({"with a photo-link file", "with.vek", WithLink("with.xml"), true});
  cases.push_back({"without a photo-link file", "without.vek", ::Estimate{}, false});
  {
    ::Estimate e = WithLink("blank.xml");
    e.department = e.division = e.business = e.serial = "";
    cases.push_back({"empty registration parts", "blank.vek", e, true});
  }
  {
    ::Estimate e = WithLink("full.xml");
    e.acceptNo = "A" + std::string("受付番号は三十七バイトちょうどです！");  // 1 + 36 bytes, no NUL
    e.carName = std::string(50, 'C');
    e.customerName = "山田山田山田山田山田山田山田山";  // 30 bytes
    cases.push_back({"fields that fill their width", "full.vek", e, true});
  }
  cases.push_back({"renamed after it was saved", "renamed.vek", WithLink("original.xml"), true});
  cases.push_back({"photo-link file under an upper-case extension", "upper.vek", WithLink("upper.XML"), true});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = MakeEstimate(c.file, c.estimate);
    std::string before = ReadRaw(path);
    char buffer[OVSVINFO_HEADER_BUFFER_SIZE] = {};
    EXPECT_EQ(OvSvInfo().getHeader(1, path.c_str(), buffer), 0);
    EXPECT_EQ(Show(std::string(buffer, sizeof(OvHeaderSummaryShort))), Show(ExpectedSummary(c.estimate, c.link)));
    EXPECT_EQ(buffer[145], 0);
    EXPECT_EQ(buffer[146], c.link ? 1 : 0);
    EXPECT_EQ(std::string(buffer + 147, sizeof buffer - 147), std::string(sizeof buffer - 147, '\0'));
    EXPECT_EQ(ReadRaw(path), before);
    EXPECT_EQ(Names(tmp), std::vector<std::string>{});
  }
}

TEST_F(OvSvInfoTest, HeaderOfAnEstimateWhoseArchiveIsDamagedFails) {
  REQUIRE_END_TO_END();
  ::Estimate e = WithLink("damaged.xml");
  e.damaged = true;
  std::string path = MakeEstimate("damaged.vek", e);
  char buffer[OVSVINFO_HEADER_BUFFER_SIZE];
  std::memset(buffer, kUntouched, sizeof buffer);
  EXPECT_EQ(OvSvInfo().getHeader(1, path.c_str(), buffer), -1);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, kUntouched));
  EXPECT_EQ(Names(tmp), std::vector<std::string>{});
}

// What unpacking finds decides the photo-link flag, and an archive that does not unpack gives no summary: the
// summary, read from the archive's records alone, tells the same as the unpacking on every kind of archive.
TEST_F(OvSvInfoTest, HeaderTellsThePhotoLinkFileAsUnpackingFindsIt) {
  REQUIRE_END_TO_END();
  auto with = [](std::vector<std::pair<std::string, std::string>> files, const std::string& link = {}) {
    ::Estimate e = WithLink(link);
    e.otherFiles = std::move(files);
    return e;
  };
  struct Case {
    const char* name;
    ::Estimate estimate;
    int result;  // of both
    bool link;
  };
  std::vector<Case> cases = {
      {"named as the estimate", WithLink("case.xml"), 0, true},
      {"none", ::Estimate{}, 0, false},
      {"named after an older name", WithLink("older.xml"), 0, true},
      {"an upper-case extension", WithLink("case.XML"), 0, true},
      {"a Japanese name", with({{"見積表示.xml", "<x/>"}}), 0, true},
      {"two of them", with({{"second.xml", "<x/>"}}, "first.xml"), 0, true},
      {"only in a sub-folder", with({{"Image/P0002.xml", "<x/>"}}), 0, false},
      {"a folder named like one", with({{"folder.xml/inside.txt", "text"}}), 0, false},
      {"an extension that only begins with xml", with({{"case.xmlx", "text"}, {"xml", "text"}}), 0, false},
      {"behind two history entries", WithLink("case.xml"), 0, true},
      {"no cabinet", ::Estimate{}, -1, false},
      {"a cabinet cut short", WithLink("case.xml"), -1, false},
      {"a name that leaves the folder", with({{"zz/evil.xml", "<x/>"}}), -1, false},
  };
  cases[9].estimate.historyEntries = 2;
  cases[10].estimate.damaged = true;
  cases[11].estimate.cutArchive = 40;
  cases[12].estimate.patchCabinet = {"zz\\evil.xml", "..\\evil.xml"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(target);
    std::filesystem::create_directories(target);
    std::string path = MakeEstimate("case.vek", c.estimate);
    char buffer[OVSVINFO_HEADER_BUFFER_SIZE] = {};
    EXPECT_EQ(OvSvInfo().getHeader(1, path.c_str(), buffer), c.result);
    EXPECT_EQ(OvSvInfo().fmalt(path.c_str(), target.c_str()), c.result);
    if (c.result == 0) {
      EXPECT_EQ(buffer[146], c.link ? 1 : 0);
      EXPECT_EQ(platform::IsFile(target + "/case.xml"), c.link);
    }
    std::filesystem::remove(path);
  }
}

// The summary comes without unpacking: no folder is made and nothing is written, also for a large archive.
TEST_F(OvSvInfoTest, HeaderIsReadWithoutUnpacking) {
  REQUIRE_END_TO_END();
  ::Estimate e = WithLink("big.xml");
  std::string noise;
  for (std::uint32_t x = 12345, i = 0; i < 4000000; ++i) noise += static_cast<char>((x = x * 1103515245 + 12345) >> 24);
  e.otherFiles = {{"Image/P0002.jpg", noise}};
  std::string path = MakeEstimate("big.vek", e);
  platform::ClearFaults();
  platform::FailFromCall(platform::FileOp::MakeFolder, 1);
  platform::FailFromCall(platform::FileOp::Write, 1);
  char buffer[OVSVINFO_HEADER_BUFFER_SIZE] = {};
  EXPECT_EQ(OvSvInfo().getHeader(1, path.c_str(), buffer), 0);
  EXPECT_EQ(buffer[146], 1);
  EXPECT_EQ(platform::CallCount(platform::FileOp::MakeFolder), 0);
  EXPECT_EQ(platform::CallCount(platform::FileOp::Write), 0);
  EXPECT_EQ(Names(tmp), std::vector<std::string>{});
}

// ---- OvFMalt ----

TEST_F(OvSvInfoTest, UnpackRefusesBadArgumentsAndNeverHarmsTheSource) {
  std::string source = MakeEstimate("est.vek", WithLink("est.xml"));
  std::string before = ReadRaw(source);
  // An estimate named like the photo-link file that unpacking it into its own folder would write.
  std::string xmlNamed = data + "/photo.xml";
  WriteRaw(xmlNamed, before);
  std::filesystem::create_directories(root / "linked");
  ASSERT_EQ(link(source.c_str(), (root / "linked/est.vek").c_str()), 0);
  std::string file = root / "file.txt";
  WriteRaw(file, "a file, not a folder");
  std::string missing = data + "/missing.vek";
  std::string dataSlash = data + "/";
  std::string linked = root / "linked";
  std::string absentFolder = root / "absent";
  struct Case {
    const char* name;
    const char* source;
    const char* target;
  } cases[] = {
      {"no source", nullptr, target.c_str()},
      {"no target", source.c_str(), nullptr},
      {"empty source", "", target.c_str()},
      {"empty target", source.c_str(), ""},
      {"missing source", missing.c_str(), target.c_str()},
      {"a folder as source", data.c_str(), target.c_str()},
      {"missing target", source.c_str(), absentFolder.c_str()},
      {"a file as target", source.c_str(), file.c_str()},
      {"the source's own folder", source.c_str(), data.c_str()},
      {"the source's own folder with a trailing delimiter", source.c_str(), dataSlash.c_str()},
      {"a photo-link name that is the source", xmlNamed.c_str(), data.c_str()},
      {"a second name of the source in the target", source.c_str(), linked.c_str()},
  };
  std::vector<std::string> dataNames = Names(data), linkedNames = Names(linked);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OvSvInfo().fmalt(c.source, c.target), -1);
    EXPECT_EQ(ReadRaw(source), before);
    EXPECT_EQ(ReadRaw(xmlNamed), before);
    EXPECT_EQ(Names(data), dataNames);
    EXPECT_EQ(Names(linked), linkedNames);
    EXPECT_EQ(Names(target), std::vector<std::string>{});
    EXPECT_EQ(Names(tmp), std::vector<std::string>{});
  }
}

// A FIFO, a device or a folder named x.vek among the estimates, as a page lists them: the header and the
// unpacking fail at once, in a child with a limit so that a hang fails the test.
TEST_F(OvSvInfoTest, HeaderAndUnpackRefuseWhatIsNoRegularFileAtOnce) {
  for (const testing_support::SpecialCase& c : testing_support::SpecialCases()) {
    if (!testing_support::CanMakeSpecial(c.kind)) continue;
    SCOPED_TRACE(c.name);
    const std::string special = data + "/x.vek";
    std::filesystem::remove_all(special);
    ASSERT_TRUE(testing_support::MakeSpecial(special, c.kind));
    const auto header = [&] {
      char buffer[OVSVINFO_HEADER_BUFFER_SIZE];
      return OvSvInfo().getHeader(1, special.c_str(), buffer) == -1;
    };
    const auto unpack = [&] { return OvSvInfo().fmalt(special.c_str(), target.c_str()) == -1; };
    EXPECT_EQ(testing_support::RunInChildWithin(10, header), testing_support::ChildEnd::True) << "OvGetHeader";
    EXPECT_EQ(testing_support::RunInChildWithin(10, unpack), testing_support::ChildEnd::True) << "OvFMalt";
    EXPECT_EQ(Names(target), std::vector<std::string>{});
    EXPECT_EQ(Names(tmp), std::vector<std::string>{});
  }
}

TEST_F(OvSvInfoTest, UnpackPutsTheEstimateAndItsPhotoLinkFileIntoTheTarget) {
  REQUIRE_END_TO_END();
  ::Estimate linked = WithLink("est.xml");
  struct Case {
    const char* name;
    std::string file;
    ::Estimate estimate;
    std::string targetSuffix;
    std::vector<std::string> expected;  // the target's names afterwards
  };
  std::vector<Case> cases = {
      {"with a photo-link file", "est.vek", linked, "", {"P0001.jpg", "est.vek", "est.xml"}},
      {"without a photo-link file", "plain.vek", ::Estimate{}, "", {"P0001.jpg", "plain.vek"}},
      {"another extension", "est.dat", WithLink("est.xml"), "", {"P0001.jpg", "est.vek", "est.xml"}},
      {"an upper-case extension", "EST.VEK", WithLink("EST.xml"), "", {"EST.VEK", "EST.xml", "P0001.jpg"}},
      {"renamed after it was saved", "new.vek", WithLink("old.xml"), "", {"P0001.jpg", "new.vek", "new.xml"}},
      {"a target with a trailing delimiter", "est.vek", linked, "/", {"P0001.jpg", "est.vek", "est.xml"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(target);
    std::filesystem::create_directories(target);
    std::string source = MakeEstimate(c.file, c.estimate);
    std::string before = ReadRaw(source);
    EXPECT_EQ(OvSvInfo().fmalt(source.c_str(), (target + c.targetSuffix).c_str()), 0);
    EXPECT_EQ(Names(target), c.expected);
    const std::string vekName = c.file == "EST.VEK" ? "EST.VEK" : c.expected[1];
    EXPECT_EQ(ReadRaw(target + "/" + vekName), before);
    if (!c.estimate.linkName.empty()) {
      const std::string xmlName = c.file == "EST.VEK" ? "EST.xml" : c.expected[2];
      EXPECT_EQ(Show(ReadRaw(target + "/" + xmlName)), Show(c.estimate.linkText));
    }
    // The estimate's photograph lies beside it, as the estimate holds it.
    EXPECT_EQ(ReadRaw(target + "/P0001.jpg"), kPhotoBytes);
    EXPECT_EQ(ReadRaw(source), before);
    EXPECT_EQ(Names(tmp), std::vector<std::string>{});
    std::filesystem::remove(source);
  }
}

TEST_F(OvSvInfoTest, UnpackReplacesFilesOfTheSameNamesAndLeavesOthers) {
  REQUIRE_END_TO_END();
  std::string source = MakeEstimate("est.vek", WithLink("est.xml"));
  WriteRaw(target + "/est.vek", "an older estimate");
  WriteRaw(target + "/est.xml", "an older photo-link file");
  WriteRaw(target + "/keep.txt", "someone else's");
  EXPECT_EQ(OvSvInfo().fmalt(source.c_str(), target.c_str()), 0);
  EXPECT_EQ(Names(target), (std::vector<std::string>{"P0001.jpg", "est.vek", "est.xml", "keep.txt"}));
  EXPECT_EQ(ReadRaw(target + "/est.vek"), ReadRaw(source));
  EXPECT_EQ(Show(ReadRaw(target + "/est.xml")), Show(::Estimate{}.linkText));
  EXPECT_EQ(ReadRaw(target + "/keep.txt"), "someone else's");
}

// The estimate's own commit is the last rename: when it fails, the files that replaced older ones of the same
// names stay (the older ones are gone), and only files new to the folder are taken away.
TEST_F(OvSvInfoTest, AFailedUnpackLeavesNoNameThatStoodEmpty) {
  REQUIRE_END_TO_END();
  std::string source = MakeEstimate("est.vek", WithLink("est.xml"));
  platform::ClearFaults();
  ASSERT_EQ(OvSvInfo().fmalt(source.c_str(), target.c_str()), 0);
  const int renames = platform::CallCount(platform::FileOp::Rename);
  std::filesystem::remove_all(target);
  std::filesystem::create_directories(target);
  WriteRaw(target + "/est.xml", "an older photo-link file");
  platform::ClearFaults();
  platform::FailNthCall(platform::FileOp::Rename, renames);
  EXPECT_EQ(OvSvInfo().fmalt(source.c_str(), target.c_str()), -1);
  platform::ClearFaults();
  EXPECT_EQ(Names(target), std::vector<std::string>{"est.xml"});
  EXPECT_EQ(Show(ReadRaw(target + "/est.xml")), Show(::Estimate{}.linkText));
}

TEST_F(OvSvInfoTest, UnpackOfAReadOnlySourceGivesFilesTheCallerCanDelete) {
  REQUIRE_END_TO_END();
  std::string source = MakeEstimate("est.vek", WithLink("est.xml"));
  ASSERT_EQ(chmod(source.c_str(), 0444), 0);
  EXPECT_EQ(OvSvInfo().fmalt(source.c_str(), target.c_str()), 0);
  for (const char* name : {"est.vek", "est.xml", "P0001.jpg"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(platform::GetAttributes(target + "/" + name) & platform::kAttrReadOnly, 0u);
  }
  EXPECT_EQ(platform::GetAttributes(source) & platform::kAttrReadOnly, platform::kAttrReadOnly);
}

TEST_F(OvSvInfoTest, UnpackOfADamagedArchiveFailsAndLeavesTheTargetEmpty) {
  REQUIRE_END_TO_END();
  ::Estimate e = WithLink("damaged.xml");
  e.damaged = true;
  std::string source = MakeEstimate("damaged.vek", e);
  std::string before = ReadRaw(source);
  EXPECT_EQ(OvSvInfo().fmalt(source.c_str(), target.c_str()), -1);
  EXPECT_EQ(Names(target), std::vector<std::string>{});
  EXPECT_EQ(ReadRaw(source), before);
  EXPECT_EQ(Names(tmp), std::vector<std::string>{});
}

// Every file operation of an unpacking (ours and Dorvik's) failing in turn: the call either succeeds with the
// complete result or fails leaving no file in the target; the source stays as it was.
TEST_F(OvSvInfoTest, UnpackUnderFailingFileOperations) {
  REQUIRE_END_TO_END();
  std::string source = MakeEstimate("est.vek", WithLink("est.xml"));
  std::string before = ReadRaw(source);
  auto run = [&] {
    std::filesystem::remove_all(target);
    std::filesystem::remove_all(tmp);
    std::filesystem::create_directories(target);
    std::filesystem::create_directories(tmp);
    return OvSvInfo().fmalt(source.c_str(), target.c_str());
  };
  static const char* kOps[] = {"open", "read", "write", "rename", "delete", "mkdir", "size", "attributes", "lock"};
  int runs = 0;
  for (int k = 0; k < static_cast<int>(platform::FileOp::kCount); ++k) {
    auto op = static_cast<platform::FileOp>(k);
    platform::ClearFaults();
    ASSERT_EQ(run(), 0);
    int calls = platform::CallCount(op);
    for (int n = 1; n <= calls; ++n) {
      SCOPED_TRACE(std::string(kOps[k]) + " call " + std::to_string(n));
      platform::ClearFaults();
      platform::FailNthCall(op, n);
      int result = run();
      platform::ClearFaults();
      ++runs;
      EXPECT_EQ(ReadRaw(source), before);
      if (result == 0) {
        EXPECT_EQ(Names(target), (std::vector<std::string>{"P0001.jpg", "est.vek", "est.xml"}));
        EXPECT_EQ(ReadRaw(target + "/est.vek"), before);
      } else {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(Names(target), std::vector<std::string>{});
      }
    }
  }
  EXPECT_GT(runs, 0);
}

}  // namespace
