#include "UploadBody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "MultipartPart.h"
#include "UploadRecord.h"
#include "UploadSize.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "test_support.h"
#include "upload_fixture.h"

namespace {

using namespace quillon;
using quillon_test::ExpandFixture;
using quillon_test::Field;
using quillon_test::FilePart;
using quillon_test::ParsedPart;
using testing_support::ReadRaw;
using testing_support::WriteRaw;

std::string Pattern(std::size_t size, int seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return s;
}

// The builds with the body as text, for comparing with the fixtures (a body given in goes in as the start).
template <class Build>
BuildResult AsText(Build build, std::string& post) {
  RequestBody body(post.begin(), post.end());
  BuildResult r = build(body);
  post.assign(body.begin(), body.end());
  return r;
}
BuildResult Step1Text(const UploadInputs& i, const UploadSet& s, std::string_view b, UploadCounters& k, UploadPump pump,
                      std::string& post, UploadError& e) {
  return AsText([&](RequestBody& body) { return BuildStep1Body(i, s, b, k, std::move(pump), body, e); }, post);
}
BuildResult Step2Text(const UploadInputs& i, const UploadSet& s, std::string_view b, UploadCounters& k, UploadPump pump,
                      std::string& post, UploadError& e) {
  return AsText([&](RequestBody& body) { return BuildStep2Body(i, s, b, k, std::move(pump), body, e); }, post);
}

class UploadBodyTest : public ::testing::Test {
 protected:
  testing_support::TempFolder root;
  UploadInputs inputs;
  UploadSet set;
  UploadCounters counters;
  std::vector<int> positions;
  int pumps = 0;

  void SetUp() override {
    ASSERT_TRUE(platform::MakeFolder(root / "ImageUploadTemp"));
    ASSERT_TRUE(platform::MakeFolder(root / "Attach"));
    inputs.systemFolder = root.path() + "/";
  }
  void TearDown() override { platform::ClearFaults(); }

  UploadPump Pump() {
    return {[this](int p) { positions.push_back(p); }, [this] { return ++pumps, true; }};
  }

  // The basic registration: rows 1 and 3 new, row 2 registered, slot 1 attached in the form, slot 2 registered.
  void Basic() {
    WriteRaw(root / "ImageUploadTemp/P1.jpg", Pattern(5000, 1));  // three chunks
    WriteRaw(root / "ImageUploadTemp/P3.jpg", Pattern(10, 3));
    WriteRaw(root / "Attach/A1.xls", Pattern(2048, 5));  // exactly one chunk
    inputs.grpCd = "G01";
    inputs.mapId = "M" "\xB1" "\x87\x40" "\xFA\x40";
    inputs.btnId = "RET01";
    inputs.sesId = "S123";
    inputs.cgiId = "C456";
    inputs.estimateSlots[0] = {"A1.xls", "A1.xls", kAddedFileTime, ""};
    inputs.estimateSlots[1] = {"EST_0002.vek", "見積.vek", "20240301120000", "20240302130102"};
    set.estimateFiles = {root / "Attach/A1.xls"};
    set.addedFileTimes = {"20240501093000", ""};
    set.photos = {
        {root / "ImageUploadTemp/P1.jpg", false, "P1.jpg", 640, 480, "20240415101112", ""},
        {root / "ImageUploadTemp/R2.jpg", true, "SV_0002.jpg", 0, 0, "20231201080910", "20231202091011"},
        {root / "ImageUploadTemp/P3.jpg", false, "P3.jpg", 800, 600, "20240416121314", ""},
    };
    set.added = true;
    set.imageFolder = "/home/user/写真";
    set.comment = "一行目\x87\x40\r\n二行目\xFA\x40";
  }

  // What the dialog does before step 1: the total of the files, 0 stored as 1.
  void StoreTotal() {
    UploadError error;
    std::int64_t total = SumUploadSize(set, error);
    ASSERT_GE(total, 0);
    counters = {total == 0 ? 1u : static_cast<std::uint64_t>(total), 0};
  }

  std::string Record() { return ReadRaw(root / "ImageUploadTemp/" + inputs.sesId + "_R72"); }

  std::vector<ParsedPart> Werkzeug(const std::string& body) {
    std::vector<ParsedPart> parts;
    quillon_test::ParseWithWerkzeug(body, kBoundary, parts, root.path());
    return parts;
  }

  // The six text parts as Werkzeug reads them (the values here are ASCII but MAP_ID's, given in EUC-JP).
  std::vector<ParsedPart> SessionParts(const std::string& mapIdEuc) {
    return {Field("GRP_CD", inputs.grpCd), Field("MAP_ID", mapIdEuc), Field("BTN_ID", ""),
            Field(inputs.btnId, ""),      Field("SES_ID", inputs.sesId), Field("CGI_ID", inputs.cgiId)};
  }
};

TEST_F(UploadBodyTest, BasicRegistrationBothStepsByteForByte) {
  Basic();
  StoreTotal();
  std::string post1, post2;
  UploadError error;
  ASSERT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post1, error), BuildResult::Built);
  const std::string record = ExpandFixture("record_basic.txt", root.path());
  EXPECT_TRUE(quillon_test::SameBytes(Record(), record));
  EXPECT_EQ(counters.total, 5000u + 10 + 2048 + 2 * record.size());
  EXPECT_EQ(counters.sent, record.size());
  EXPECT_TRUE(quillon_test::SameBytes(post1, ExpandFixture("step1_basic.txt", root.path())));

  ASSERT_EQ(Step2Text(inputs, set, kBoundary, counters, Pump(), post2, error), BuildResult::Built);
  EXPECT_TRUE(quillon_test::SameBytes(post2, ExpandFixture("step2_basic.txt", root.path())));
  EXPECT_EQ(counters.sent, counters.total);
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.back(), 100);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  // Record 1 chunk + estimate 1 + photo 1 three + photo 3 one + record 1.
  EXPECT_EQ(pumps, 7);

  for (const std::string* post : {&post1, &post2}) {
    ASSERT_GE(post->size(), 4u);
    EXPECT_EQ(post->substr(post->size() - 4), "--\r\n") << "the body ends with the closing line, no NUL";
  }
  std::vector<ParsedPart> step1 = SessionParts("M\x8E\xB1\xAD\xA1\xFC\xF1");
  step1.push_back(FilePart("S123_R72", root / "ImageUploadTemp/S123_R72", record));
  EXPECT_EQ(Werkzeug(post1), step1);
  std::vector<ParsedPart> step2 = {
      FilePart("EstimateFile1", root / "Attach/A1.xls", Pattern(2048, 5)),
      FilePart("ImageFile1", root / "ImageUploadTemp/P1.jpg", Pattern(5000, 1)),
      FilePart("ImageFile3", root / "ImageUploadTemp/P3.jpg", Pattern(10, 3)),
  };
  for (const ParsedPart& p : step1) step2.push_back(p);
  EXPECT_EQ(Werkzeug(post2), step2);
}

// Content that holds the boundary line would cut the body where a server reads it, and forge the parts after:
// the body is framed with another boundary then, named for the request, and a server sees exactly its parts.
TEST_F(UploadBodyTest, ContentHoldingTheBoundaryGetsABoundaryNoPartHolds) {
  Basic();
  const std::string line = "--" + std::string(kBoundary);
  const std::string forged = "%PDF-1.4\r\n" + line + "\r\nContent-Disposition: form-data; name=\"CGI_ID\"\r\n\r\n" +
                             "FORGED\r\n" + line + "--\r\nthe rest of the document";
  WriteRaw(root / "Attach/A1.xls", forged);
  // The first candidates are held too: by a photo, and by a text part and at a part's very end.
  const std::string photo = Pattern(3000, 1) + line + "0" + Pattern(100, 2) + std::string(kBoundary) + "1";
  WriteRaw(root / "ImageUploadTemp/P1.jpg", photo);
  inputs.cgiId = "C" + std::string(kBoundary) + "2";
  StoreTotal();
  std::string post1, post2, boundary1, boundary2;
  UploadError error;
  RequestBody body;
  ASSERT_EQ(BuildStep1Body(inputs, set, kBoundary, counters, Pump(), body, error, &boundary1), BuildResult::Built);
  post1.assign(body.begin(), body.end());
  body.clear();
  ASSERT_EQ(BuildStep2Body(inputs, set, kBoundary, counters, Pump(), body, error, &boundary2), BuildResult::Built);
  post2.assign(body.begin(), body.end());
  // Step 1 holds the boundary in its CGI_ID part only; step 2 holds the first three candidates too.
  EXPECT_EQ(boundary1, std::string(kBoundary) + "0");
  EXPECT_EQ(boundary2, std::string(kBoundary) + "3");
  EXPECT_EQ(counters.sent, counters.total) << "the files were read once";
  EXPECT_EQ(post2.substr(post2.size() - boundary2.size() - 6), "--" + boundary2 + "--\r\n");

  std::vector<ParsedPart> session = {Field("GRP_CD", inputs.grpCd), Field("MAP_ID", "M\x8E\xB1\xAD\xA1\xFC\xF1"),
                                     Field("BTN_ID", ""), Field(inputs.btnId, ""), Field("SES_ID", inputs.sesId),
                                     Field("CGI_ID", inputs.cgiId)};
  std::vector<ParsedPart> step1 = session;
  step1.push_back(FilePart("S123_R72", root / "ImageUploadTemp/S123_R72", Record()));
  std::vector<ParsedPart> parts;
  ASSERT_TRUE(quillon_test::ParseWithWerkzeug(post1, boundary1, parts, root.path()));
  EXPECT_EQ(parts, step1);
  std::vector<ParsedPart> step2 = {
      FilePart("EstimateFile1", root / "Attach/A1.xls", forged),
      FilePart("ImageFile1", root / "ImageUploadTemp/P1.jpg", photo),
      FilePart("ImageFile3", root / "ImageUploadTemp/P3.jpg", Pattern(10, 3)),
  };
  for (const ParsedPart& p : step1) step2.push_back(p);
  ASSERT_TRUE(quillon_test::ParseWithWerkzeug(post2, boundary2, parts, root.path()));
  EXPECT_EQ(parts, step2);
  // The parts are the ones framed with the fixed boundary, moved and nothing else.
  WriteRaw(root / "Attach/A1.xls", Pattern(2048, 5));
  WriteRaw(root / "ImageUploadTemp/P1.jpg", Pattern(5000, 1));
  inputs.cgiId = "C456";
  StoreTotal();
  std::string plain;
  ASSERT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), plain, error), BuildResult::Built);
  plain.clear();
  ASSERT_EQ(Step2Text(inputs, set, kBoundary, counters, Pump(), plain, error), BuildResult::Built);
  EXPECT_TRUE(quillon_test::SameBytes(plain, ExpandFixture("step2_basic.txt", root.path())))
      << "no part holds the boundary: the body is the fixed one";
}

TEST(SettleBoundary, DelimitersAreWrittenAnewInPlace) {
  // "--B\r\n" part "\r\n--B\r\n" part "\r\n--B--\r\n", the first part holding B.
  const std::string text = "--B\r\nxBx\r\n--B\r\nyy\r\n--B--\r\n";
  RequestBody body(text.begin(), text.end());
  EXPECT_EQ(SettleBoundary(body, "B", {0, 10, 19}), "B0");
  EXPECT_EQ(std::string(body.begin(), body.end()), "--B0\r\nxBx\r\n--B0\r\nyy\r\n--B0--\r\n");
  // The candidates a part holds, however many: "B0" to "B19999" and "B2000x" are taken, "B20000" is free.
  std::string many = "--B\r\n";
  for (int k = 0; k < 20000; ++k) many += "B" + std::to_string(k) + " ";
  many += "B2000x\r\n--B--\r\n";
  body.assign(many.begin(), many.end());
  EXPECT_EQ(SettleBoundary(body, "B", {0, many.size() - 7}), "B20000");
  EXPECT_EQ(std::string(body.begin(), body.begin() + 9), "--B20000\r");
  EXPECT_EQ(std::string(body.end() - 12, body.end()), "--B20000--\r\n");
  const std::string clean = "--B\r\nxx\r\n--B--\r\n";
  body.assign(clean.begin(), clean.end());
  EXPECT_EQ(SettleBoundary(body, "B", {0, 9}), "B");
  EXPECT_EQ(std::string(body.begin(), body.end()), clean);
}

TEST_F(UploadBodyTest, NothingNewStillPostsTheTextPartsAndTheRecord) {
  inputs.grpCd = "G9";
  inputs.mapId = "M9";
  inputs.sesId = "S9";
  inputs.cgiId = "C9";
  StoreTotal();
  EXPECT_EQ(counters.total, 1u);
  std::string post1, post2;
  UploadError error;
  ASSERT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post1, error), BuildResult::Built);
  ASSERT_EQ(Step2Text(inputs, set, kBoundary, counters, Pump(), post2, error), BuildResult::Built);
  const std::string expected = ExpandFixture("steps_empty.txt", root.path());
  EXPECT_TRUE(quillon_test::SameBytes(post1, expected));
  EXPECT_TRUE(quillon_test::SameBytes(post2, expected));
  EXPECT_EQ(counters.total, 1u + 2 * 111);  // the record is 111 bytes
  std::vector<ParsedPart> parts = SessionParts("M9");
  parts.push_back(FilePart("S9_R72", root / "ImageUploadTemp/S9_R72", ExpandFixture("record_empty.txt", root.path())));
  EXPECT_EQ(Werkzeug(post2), parts);
}

TEST_F(UploadBodyTest, StepTwoSendsTheRecordOfStepOneWithoutRebuildingIt) {
  Basic();
  StoreTotal();
  std::string post;
  UploadError error;
  ASSERT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Built);
  set.comment = "changed";
  ASSERT_EQ(Step2Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Built);
  EXPECT_TRUE(quillon_test::SameBytes(post, ExpandFixture("step2_basic.txt", root.path())));
}

TEST_F(UploadBodyTest, AFileThatCannotBeReadStopsStepTwoWithMessage1012) {
  struct Case {
    const char* name;
    std::function<void()> spoil;
    std::string path;
    int cause;
  } cases[] = {
      {"missing photo", [&] { platform::DeleteFile(root / "ImageUploadTemp/P3.jpg"); }, "ImageUploadTemp/P3.jpg", 2},
      {"missing estimate file before a missing photo",
       [&] {
         platform::DeleteFile(root / "Attach/A1.xls");
         platform::DeleteFile(root / "ImageUploadTemp/P3.jpg");
       },
       "Attach/A1.xls", 2},
      {"estimate file in a missing folder", [&] { set.estimateFiles = {root / "Gone/A1.xls"}; }, "Gone/A1.xls", 3},
      {"photo that is a folder",
       [&] {
         platform::DeleteFile(root / "ImageUploadTemp/P3.jpg");
         platform::MakeFolder(root / "ImageUploadTemp/P3.jpg");
       },
       "ImageUploadTemp/P3.jpg", 5},
  };
  for (const Case& c : cases) {
    Basic();
    StoreTotal();
    std::string post;
    UploadError error;
    ASSERT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Built) << c.name;
    c.spoil();
    post = "untouched";
    EXPECT_EQ(Step2Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Failed) << c.name;
    EXPECT_EQ(post, "untouched") << c.name;
    EXPECT_EQ(error.messageId, 1012) << c.name;
    EXPECT_EQ(error.path, root / c.path) << c.name;
    EXPECT_EQ(error.cause, c.cause) << c.name;
    platform::RemoveFolder(root / "ImageUploadTemp/P3.jpg");
  }
}

TEST_F(UploadBodyTest, AReadErrorInsideAFileStopsTheBuild) {
  Basic();
  StoreTotal();
  std::string post;
  UploadError error;
  ASSERT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Built);
  post.clear();
  platform::FailNthCall(platform::FileOp::Read, 4);  // estimate 1, then its end; photo 1's first chunk, second
  EXPECT_EQ(Step2Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Failed);
  EXPECT_TRUE(post.empty());
  EXPECT_EQ(error.path, root / "ImageUploadTemp/P1.jpg");
  EXPECT_EQ(error.cause, 10);  // I/O error
}

TEST_F(UploadBodyTest, ARecordThatCannotBeWrittenIsNotSentFromAnEarlierRegistration) {
  Basic();
  StoreTotal();
  WriteRaw(root / "ImageUploadTemp/S123_R72", "AFD1=old\r\n");
  platform::FailNthCall(platform::FileOp::Write, 1);
  std::string post;
  UploadError error;
  EXPECT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Failed);
  EXPECT_TRUE(post.empty());
  EXPECT_EQ(error.messageId, 1012);
  EXPECT_EQ(error.path, root / "ImageUploadTemp/S123_R72");
  EXPECT_EQ(error.cause, 10);
  EXPECT_NE(Record(), "AFD1=old\r\n");
}

TEST_F(UploadBodyTest, ASessionIdThatLeavesTheStagingFolderTouchesNothing) {
  Basic();
  StoreTotal();
  const std::uint64_t total = counters.total;
  // What a path-like id would reach, and the record a safe id wrote before.
  WriteRaw(root / "victim_R72", "keep");
  WriteRaw(root / "ImageUploadTemp/S123_R72", "earlier");
  for (const char* id : {"../victim", "a/b", "a\\b", "C:x", "..", "x..y"}) {
    inputs.sesId = id;
    std::string post = "untouched";
    UploadError error;
    EXPECT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Failed) << id;
    EXPECT_EQ(error.messageId, 1012) << id;
    EXPECT_EQ(error.path, root.path() + "/ImageUploadTemp/" + id + "_R72") << id;
    EXPECT_EQ(error.cause, 3) << id;
    EXPECT_EQ(post, "untouched") << id;
    EXPECT_EQ(Step2Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Failed) << id;
  }
  EXPECT_EQ(ReadRaw(root / "victim_R72"), "keep");
  EXPECT_EQ(ReadRaw(root / "ImageUploadTemp/S123_R72"), "earlier");
  EXPECT_EQ(counters.total, total);
  EXPECT_EQ(counters.sent, 0u);
  EXPECT_EQ(pumps, 0);
}

TEST_F(UploadBodyTest, ABackslashThatIsTheSecondByteOfACharacterIsNoSeparator) {
  inputs.sesId = "\x95\x5C";  // 表
  StoreTotal();
  std::string post;
  UploadError error;
  EXPECT_EQ(Step1Text(inputs, set, kBoundary, counters, Pump(), post, error), BuildResult::Built);
  EXPECT_FALSE(ReadRaw(testing_support::Utf8(root.path() + "/ImageUploadTemp/\x95\x5C_R72")).empty());
}

// The pump may run the host's destruction of the control: what the build was given is freed inside it, and the
// build must return without touching any of it (the sanitizer build catches a use after it).
TEST_F(UploadBodyTest, ThePumpDestroyingTheControlStopsTheBuildQuietly) {
  Basic();
  StoreTotal();
  for (int step = 1; step <= 2; ++step) {
    for (int destroyAt = 1; destroyAt <= (step == 1 ? 1 : 6); ++destroyAt) {
      auto ownInputs = std::make_unique<UploadInputs>(inputs);
      auto ownSet = std::make_unique<UploadSet>(set);
      auto ownCounters = std::make_unique<UploadCounters>(counters);
      auto post = std::make_unique<RequestBody>();
      auto error = std::make_unique<UploadError>();
      int calls = 0;
      UploadPump pump{[](int) {}, [&] {
                        if (++calls < destroyAt) return true;
                        ownInputs.reset(), ownSet.reset(), ownCounters.reset(), post.reset(), error.reset();
                        return false;
                      }};
      UploadInputs& i = *ownInputs;
      UploadSet& s = *ownSet;
      UploadCounters& k = *ownCounters;
      RequestBody& p = *post;
      UploadError& e = *error;
      BuildResult r = step == 1 ? BuildStep1Body(i, s, kBoundary, k, pump, p, e)
                                : BuildStep2Body(i, s, kBoundary, k, pump, p, e);
      EXPECT_EQ(r, BuildResult::Destroyed) << "step " << step << " pump " << destroyAt;
      EXPECT_EQ(calls, destroyAt);
    }
  }
}

TEST(UploadRequest, HeadersNameTheBoundary) {
  EXPECT_EQ(RequestHeaders(kBoundary), "Content-Type: multipart/form-data; boundary=--------quArtzfeLdoN\r\n");
  EXPECT_EQ(kBoundary.size(), 20u);
}

}  // namespace
