// A photo registration end to end, as a person makes it: vekpage plays a page with the photo control against the
// image-server stand-in; the script drops photos, turns one, shrinks them, attaches a document, removes a
// registered photo, writes a comment and registers. The stand-in parses every request with Werkzeug.
#include <gtest/gtest.h>

#include <time.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image_server.h"
#include "platform/text.h"
#include "test_support.h"
#include "vekpage_process.h"

namespace {

using pagehost_test::RunVekpage;
using pagehost_test::VekpageRun;
using testing_support::ImageServer;
using testing_support::ReadRaw;
using testing_support::ReceivedRequest;
using testing_support::ShellQuote;
using testing_support::TempFolder;
using testing_support::WriteRaw;

std::string Utf8(const std::string& cp932) {
  std::string out;
  EXPECT_TRUE(platform::Cp932ToUtf8(cp932, out));
  return out;
}

// JPEG files by Pillow (a peer), each "path width height" a line; true when all were written.
bool MakeJpegs(const std::vector<std::tuple<std::string, int, int>>& photos) {
  std::string lines;
  for (const auto& [path, w, h] : photos) lines += path + " " + std::to_string(w) + " " + std::to_string(h) + "\n";
  const std::string script =
      "import sys\nfrom PIL import Image, ImageDraw\n"
      "for i, line in enumerate(sys.stdin.read().split('\\n')):\n"
      "    if not line: continue\n"
      "    path, w, h = line.rsplit(' ', 2)\n"
      "    im = Image.new('RGB', (int(w), int(h)), (90 + 30 * i, 160, 230 - 20 * i))\n"
      "    d = ImageDraw.Draw(im)\n"
      "    d.rectangle([0, int(h) * 3 // 5, int(w), int(h)], fill=(80, 150 - 10 * i, 60))\n"
      "    d.ellipse([int(w) // 4, int(h) // 5, int(w) // 2, int(h) // 2], fill=(220, 90 + 25 * i, 50))\n"
      "    im.save(path, 'JPEG', quality=85)\n";
  return testing_support::RunShell("printf %s " + ShellQuote(lines) + " | /usr/bin/python3 -c " +
                                   ShellQuote(script)) == 0;
}

// The size of a JPEG as Pillow reads it, "WxH".
std::string JpegSize(const std::string& bytes, const TempFolder& folder) {
  WriteRaw(folder / "probe.jpg", bytes);
  std::string out;
  testing_support::RunShell("/usr/bin/python3 -c " +
                                ShellQuote("import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                                           "print('%dx%d' % im.size, end='')") +
                                " " + ShellQuote(folder / "probe.jpg"),
                            &out);
  return out;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines) {
    if (l == line) return true;
  }
  return false;
}

class PhotoRegistration : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ok());
    for (const char* f : {"photos", "drop", "docs", "shots"}) std::filesystem::create_directories(folder / f);
    ASSERT_TRUE(MakeJpegs({{folder / "registered_a.jpg", 320, 240},
                           {folder / "registered_b.jpg", 240, 320},
                           {folder / "drop/front.jpg", 1600, 1200},
                           {folder / "drop/side.jpg", 400, 300},
                           {folder / "photos/folder.jpg", 200, 150}}));
    ASSERT_TRUE(server.AddFile("/img/SRV_A.jpg", ReadRaw(folder / "registered_a.jpg"), "image/jpeg"));
    ASSERT_TRUE(server.AddFile("/img/SRV_B.jpg", ReadRaw(folder / "registered_b.jpg"), "image/jpeg"));
    WriteRaw(folder / "docs/doc.pdf", "%PDF-1.4 the estimate as a document\n");
  }

  // The page: two registered photos and one registered attachment on the server.
  std::string Page(const std::string& serverUrl, const std::string& imageUrl, const std::string& extra = {}) {
    std::string params;
    auto param = [&](const std::string& name, const std::string& value) {
      params += "<param name=\"" + name + "\" value=\"" + value + "\">\n";
    };
    param("FuncID", "0");
    param("ImageFolder", folder / "photos");
    param("ServerURL", serverUrl);
    param("ImageServerURL", imageUrl);
    param("MaxByte", "20480");
    param("MaxViewFileNum", "100");
    param("GRP_CD", "G01");
    param("MAP_ID", "M01");
    param("BTN_ID", "B01");
    param("SES_ID", "S9");
    param("CGI_ID", "C0");
    param("DBImageFileNM1", "SRV_A.jpg");
    param("DBImageFilePrtNM1", "regA.jpg");
    param("DBImageFileTime1", "20240101090000");
    param("DBImageEntryTime1", "20240102100000");
    param("DBImageFileSize1", std::to_string(ReadRaw(folder / "registered_a.jpg").size()));
    param("DBImageFileNM2", "SRV_B.jpg");
    param("DBImageFilePrtNM2", "regB.jpg");
    param("DBImageFileTime2", "20240103090000");
    param("DBImageEntryTime2", "20240104100000");
    param("DBImageFileSize2", std::to_string(ReadRaw(folder / "registered_b.jpg").size()));
    param("DBEstimateFileName1", "estimate.vek");
    param("DBEstimateFilePrtName1", "estimate.vek");
    param("DBEstimateFileTime1", "20240105090000");
    param("DBEstimateEntryTime1", "20240106100000");
    param("DBEstimateFileSize1", "2048");
    return "<html><head><meta charset=\"utf-8\"></head><body>\n"
           "<object id=\"Quillon1\" classid=\"clsid:9850172F-5180-4D4F-BFB6-3CB39E817481\">\n" +
           params + extra + "</object>\n</body></html>\n";
  }

  // page and script are CP932, as this file's literals are; both are written in UTF-8. environment: settings
  // of the vekpage process.
  VekpageRun Run(const std::string& page, const std::string& script, const std::string& environment = {}) {
    WriteRaw(folder / "page.html", Utf8(page));
    WriteRaw(folder / "script.txt", Utf8(script));
    return RunVekpage(folder.path(), {"page.html", "--script", "script.txt", "--shots", "shots"},
                      folder / "registry.ini", environment);
  }
  // The network's time limits a twentieth of the real ones: the GET's stall limit of 30 s is 1.5 s, a
  // registration step's minute 3 s.
  VekpageRun RunWithShortLimits(const std::string& page, const std::string& script) {
    return Run(page, script, "VEK_WEB_TIMEOUT_SCALE=0.05");
  }

  std::vector<ReceivedRequest> Posts() const {
    std::vector<ReceivedRequest> posts;
    for (ReceivedRequest& r : server.Requests()) {
      if (r.method == "POST") posts.push_back(std::move(r));
    }
    return posts;
  }

  // What a person does on the form: drop two photos, turn the first of them in the image dialog, shrink all
  // with the batch resize, attach a document, remove the first registered photo and write a comment.
  std::string Edits() const {
    return "drop Quillon1 " + (folder / "drop/front.jpg") + "\t" + (folder / "drop/side.jpg") +
           "\n"
           "click Quillon1 324\n"  // 編集 of row 3: front.jpg
           "click Quillon1 711\n"  // 右に90度回す
           "click Quillon1 714\n"  // 変更確定
           "answer OK\n"
           "click Quillon1 231\n"  // 画像一括サイズ変更
           "text Quillon1 345 " + (folder / "docs/doc.pdf") +
           "\n"
           "click Quillon1 234\n"  // 追加
           "check Quillon1 450 1\n"
           "answer OK\n"
           "click Quillon1 235\n"  // 選択した画像を削除
           "text Quillon1 713 左前部の損傷\n";
  }

  ImageServer server;
  TempFolder folder;
};

TEST_F(PhotoRegistration, FromTheFormToTheServerInTwoSteps) {
  ASSERT_TRUE(server.SendOk("/regist", "CGI1"));
  ASSERT_TRUE(server.SendOk("/regist", "CGI2"));
  const VekpageRun run = Run(Page(server.Url("/regist"), server.Url("/img/")),
                             Edits() + "shot Quillon1 photo_form\n"
                                       "answer OK\n"
                                       "click Quillon1 205\n"  // 確定
                                       "wait Quillon1 OnStatusChanged 4\n"
                                       "shot Quillon1 photo_upload\n"
                                       "quit\n");
  ASSERT_EQ(run.exitCode, 0) << run.errors << "\n" << testing::PrintToString(run.lines);
  EXPECT_TRUE(Has(run.lines, "{\"object\":\"Quillon1\",\"event\":\"OnStatusChanged\",\"args\":[4,\"CGI2\"]}"))
      << testing::PrintToString(run.lines);
  // The batch resize shrank the turned photo only, the third row; the document went into the second slot.
  EXPECT_TRUE(Has(run.lines, Utf8("{\"object\":\"Quillon1\",\"box\":{\"text\":\"1件のサイズ変更が完了しました。\\n\\n"
                                  "画像番号=3\",\"title\":\"ヴィストレル\",\"icon\":\"information\",\"buttons\":\"ok\","
                                  "\"answer\":\"OK\"}}")))
      << testing::PrintToString(run.lines);

  // The registered photos came down by GET first.
  const std::vector<ReceivedRequest> all = server.Requests();
  ASSERT_GE(all.size(), 4u);
  EXPECT_EQ(all[0].method + " " + all[0].path, "GET /img/SRV_A.jpg");
  EXPECT_EQ(all[1].method + " " + all[1].path, "GET /img/SRV_B.jpg");

  const std::vector<ReceivedRequest> posts = Posts();
  ASSERT_EQ(posts.size(), 2u);
  for (const ReceivedRequest& r : posts) {
    EXPECT_EQ(r.path, "/regist");
    EXPECT_EQ(r.multipartError, "");
    ASSERT_NE(r.Part("S9_R72"), nullptr);
  }
  EXPECT_EQ(posts[0].Part("CGI_ID")->data, "C0");
  EXPECT_EQ(posts[1].Part("CGI_ID")->data, "CGI1");
  const std::string record = posts[0].Part("S9_R72")->data;
  EXPECT_EQ(posts[1].Part("S9_R72")->data, record) << "both steps send one record";
  // The record, read as EUC-JP: the rows in their order, the flags, the comment and the attachment.
  std::string utf8;
  testing_support::RunShell("printf %s " + ShellQuote(record) + " | iconv -f EUC-JP -t UTF-8", &utf8);
  for (const std::string& line :
       {std::string("PFN1=regB.jpg"), std::string("PRF1=SRV_B.jpg"), std::string("PSW1=0"), std::string("PSD1=0"),
        std::string("PFD1=20240103"), std::string("PED1=20240104"), std::string("PFN2=front.jpg"),
        std::string("PRF2=front.jpg"), std::string("PSW2=450"), std::string("PSD2=600"), std::string("PFN3=side.jpg"),
        std::string("PSW3=400"), std::string("PSD3=300"), std::string("ADD=1"), std::string("DEL=1"),
        "IDR=" + folder / "photos/", Utf8("IFM2=左前部の損傷"), std::string("AFN1=estimate.vek"),
        "AFN2=" + folder / "docs/doc.pdf"}) {
    EXPECT_NE(utf8.find(line + "\r\n"), std::string::npos) << line << "\n" << utf8;
  }
  EXPECT_EQ(utf8.find("PFN4="), std::string::npos);
  EXPECT_EQ(utf8.find("regA.jpg"), std::string::npos) << "the removed photo is not sent";

  // Step 2 carries the document and the two new photos (rows 2 and 3), byte for byte as the form made them.
  const ReceivedRequest& step2 = posts[1];
  ASSERT_NE(step2.Part("EstimateFile1"), nullptr);
  EXPECT_EQ(step2.Part("EstimateFile1")->data, ReadRaw(folder / "docs/doc.pdf"));
  EXPECT_EQ(step2.Part("ImageFile1"), nullptr) << "a registered photo is not sent again";
  ASSERT_NE(step2.Part("ImageFile2"), nullptr);
  ASSERT_NE(step2.Part("ImageFile3"), nullptr);
  EXPECT_EQ(JpegSize(step2.Part("ImageFile2")->data, folder), "450x600") << "turned, then shrunk";
  EXPECT_EQ(step2.Part("ImageFile3")->data, ReadRaw(folder / "drop/side.jpg")) << "small enough: as dropped";
  EXPECT_EQ(posts[0].Part("ImageFile2"), nullptr) << "step 1 sends the record only";

  // Pictures of the form before the registration and of the upload dialog after it.
  EXPECT_GT(ReadRaw(folder / "shots/photo_form.png").size(), 1000u);
  EXPECT_GT(ReadRaw(folder / "shots/photo_upload.png").size(), 1000u);
  testing_support::RunShell("cp " + ShellQuote(folder / "shots/photo_form.png") + " " +
                            ShellQuote(folder / "shots/photo_upload.png") + " " +
                            ShellQuote(testing_support::ShotsFolder("pagehost")));
}

TEST_F(PhotoRegistration, TheServerRefusesWithAReturnButton) {
  ASSERT_TRUE(server.SendNg("/regist", "N1", "登録できません", "RET", "戻る"));
  const VekpageRun run = Run(Page(server.Url("/regist"), server.Url("/img/")),
                             Edits() + "answer OK\n"
                                       "click Quillon1 205\n"
                                       "pause 3000\n"
                                       "click Quillon1 1001\n"  // the return button of the upload dialog
                                       "wait Quillon1 OnClickedReturnBtn\n"
                                       "quit\n");
  ASSERT_EQ(run.exitCode, 0) << run.errors << "\n" << testing::PrintToString(run.lines);
  int returns = 0;
  for (const std::string& line : run.lines) {
    returns += line.find("\"event\":\"OnClickedReturnBtn\"") != std::string::npos &&
               line.find("\"RET.x\"]") != std::string::npos;
  }
  EXPECT_EQ(returns, 1) << testing::PrintToString(run.lines);
  for (const std::string& line : run.lines) EXPECT_EQ(line.find("\"args\":[4,"), std::string::npos) << line;
  EXPECT_EQ(Posts().size(), 1u) << "no second step after a refusal";
}

TEST_F(PhotoRegistration, TheServerIsDown) {
  const std::string down = "http://127.0.0.1:" + std::to_string(testing_support::ClosedPort());
  const VekpageRun run = Run(Page(down + "/regist", down + "/img/", "<param name=\"UPLOAD_CHECK\" value=\"0\">\n"),
                             "answer OK\n"
                             "click Quillon1 205\n"
                             "pause 2000\n"
                             "invoke Quillon1 GetStatus\n"
                             "shot Quillon1 photo_down\n"
                             "quit\n");
  ASSERT_EQ(run.exitCode, 0) << run.errors << "\n" << testing::PrintToString(run.lines);
  // Both registered photos are announced as not downloaded; the registration cannot reach the server.
  int notDownloaded = 0;
  for (const std::string& line : run.lines) notDownloaded += line.find("(SE0008)") != std::string::npos;
  EXPECT_EQ(notDownloaded, 2) << testing::PrintToString(run.lines);
  EXPECT_TRUE(Has(run.lines, "{\"result\":3}")) << "the registration runs no further";
  for (const std::string& line : run.lines) EXPECT_EQ(line.find("\"args\":[4,"), std::string::npos) << line;
  EXPECT_GT(ReadRaw(folder / "shots/photo_down.png").size(), 1000u);
}

// The statuses the control reported, in their order.
std::vector<unsigned> Statuses(const VekpageRun& run) {
  std::vector<unsigned> statuses;
  const std::string head = "{\"object\":\"Quillon1\",\"event\":\"OnStatusChanged\",\"args\":[";
  for (const std::string& line : run.lines) {
    if (line.rfind(head, 0) == 0) statuses.push_back(static_cast<unsigned>(std::stoul(line.substr(head.size()))));
  }
  return statuses;
}

int Count(const VekpageRun& run, const std::string& text) {
  int n = 0;
  for (const std::string& line : run.lines) n += line.find(text) != std::string::npos;
  return n;
}

// A server that stops answering costs the start-up one time limit, however many photos it holds: each photo
// is announced once (no second message for its empty file) and the form is there, in mode 0.
TEST_F(PhotoRegistration, TheImageServerNeverAnswersAtStartUp) {
  ASSERT_TRUE(server.Step("/img/SRV_A.jpg", R"("kind": "hang", "seconds": 30)"));
  ASSERT_TRUE(server.Step("/img/SRV_B.jpg", R"("kind": "hang", "seconds": 30)"));
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
  };
  const double start = now();
  const VekpageRun run = RunWithShortLimits(Page(server.Url("/regist"), server.Url("/img/")),
                                            "invoke Quillon1 GetStatus\n"
                                            "shot Quillon1 photo_silent_server\n"
                                            "quit\n");
  const double seconds = now() - start;
  ASSERT_EQ(run.exitCode, 0) << run.errors << "\n" << testing::PrintToString(run.lines);
  EXPECT_LT(seconds, 12.0) << "one stall limit (1.5 s here), not one for each photo";
  EXPECT_EQ(Count(run, "(SE0008)"), 2) << testing::PrintToString(run.lines);
  EXPECT_EQ(Count(run, "regA.jpg"), 1);
  EXPECT_EQ(Count(run, "regB.jpg"), 1);
  EXPECT_EQ(Count(run, "(SE0010)"), 0) << "the empty files are not read as photos";
  EXPECT_TRUE(Has(run.lines, "{\"result\":1}")) << "the form, not the fatal page";
  EXPECT_EQ(Statuses(run), std::vector<unsigned>{1});
  EXPECT_EQ(server.Requests().size(), 1u) << "the second photo is not waited for";
}

// A registration the server leaves unanswered, or answers with a broken reply, ends with a message and the
// button; nothing is reported as registered, the form comes back as the person left it, and a second try
// registers exactly what the first would have.
TEST_F(PhotoRegistration, AFailedStepKeepsTheFormsWork) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;  // for /regist, in order; then every post is answered SENDOK
  } cases[] = {
      {"step 1 never answers", {R"("kind": "hang", "seconds": 30)"}},
      {"step 2's reply cut inside CGI_ID",
       {R"("kind": "sendok", "cgi_id": "CGI1")",
        R"("kind": "page", "html": "SENDOK<input type=\"hidden\" name=\"CGI_ID\" value=\"AB")"}},
      {"step 2's connection dropped", {R"("kind": "sendok", "cgi_id": "CGI1")", R"("kind": "drop")"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(server.Reset());
    for (const std::string& step : c.steps) ASSERT_TRUE(server.Step("/regist", step));
    ASSERT_TRUE(server.AddFile("/img/SRV_A.jpg", ReadRaw(folder / "registered_a.jpg"), "image/jpeg"));
    ASSERT_TRUE(server.AddFile("/img/SRV_B.jpg", ReadRaw(folder / "registered_b.jpg"), "image/jpeg"));
    const VekpageRun run = RunWithShortLimits(Page(server.Url("/regist"), server.Url("/img/")),
                                              Edits() + "answer OK\n"
                                                        "click Quillon1 205\n"  // 確定
                                                        "pause 6000\n"
                                                        "shot Quillon1 photo_failed_step\n"
                                                        "click Quillon1 1001\n"  // 画像登録・削除画面へ
                                                        "answer OK\n"
                                                        "click Quillon1 205\n"
                                                        "wait Quillon1 OnStatusChanged 4\n"
                                                        "quit\n");
    ASSERT_EQ(run.exitCode, 0) << run.errors << "\n" << testing::PrintToString(run.lines);
    // The start, the first registration (3), back to the form (1), the second (3) and only it registered.
    EXPECT_EQ(Statuses(run), (std::vector<unsigned>{1, 3, 1, 3, 4})) << testing::PrintToString(run.lines);
    const std::vector<ReceivedRequest> posts = Posts();
    ASSERT_GE(posts.size(), 3u);
    for (const ReceivedRequest& r : posts) {
      ASSERT_NE(r.Part("CGI_ID"), nullptr);
      EXPECT_EQ(r.Part("CGI_ID")->data.find('<'), std::string::npos) << "no markup taken for a CGI_ID";
    }
    // The second try: both steps with the photos, the document and the comment of the first.
    const ReceivedRequest& step1 = posts[posts.size() - 2];
    const ReceivedRequest& step2 = posts.back();
    ASSERT_NE(step1.Part("S9_R72"), nullptr);
    std::string record;
    testing_support::RunShell("printf %s " + ShellQuote(step1.Part("S9_R72")->data) + " | iconv -f EUC-JP -t UTF-8",
                              &record);
    for (const std::string& line : {std::string("PFN1=regB.jpg"), std::string("PFN2=front.jpg"),
                                    std::string("PFN3=side.jpg"), std::string("DEL=1"), Utf8("IFM2=左前部の損傷"),
                                    "AFN2=" + folder / "docs/doc.pdf"}) {
      EXPECT_NE(record.find(line + "\r\n"), std::string::npos) << line << "\n" << record;
    }
    ASSERT_NE(step2.Part("EstimateFile1"), nullptr);
    EXPECT_EQ(step2.Part("EstimateFile1")->data, ReadRaw(folder / "docs/doc.pdf"));
    EXPECT_NE(step2.Part("ImageFile2"), nullptr);
    EXPECT_EQ(step2.Part("ImageFile3")->data, ReadRaw(folder / "drop/side.jpg"));
  }
}

// An attachment's download that fails says so and leaves the form as it was; a document holding the boundary
// line reaches the server whole, with nothing forged from it.
TEST_F(PhotoRegistration, AFailedDownloadKeepsTheFormAndTheBoundaryCannotBeForged) {
  const std::string line = "----------quArtzfeLdoN";
  WriteRaw(folder / "docs/doc.pdf", "%PDF-1.4\r\n" + line + "\r\nContent-Disposition: form-data; name=\"CGI_ID\"\r\n\r\n" +
                                        "FORGED\r\n" + line + "--\r\n%%EOF\r\n");
  ASSERT_TRUE(server.Step("/regist", R"("kind": "drop")"));  // the download request of the attachment
  const VekpageRun run = Run(Page(server.Url("/regist"), server.Url("/img/")),
                             Edits() + "click Quillon1 346\n"  // ダウンロード of the registered attachment
                                       "pause 2000\n"
                                       "invoke Quillon1 GetStatus\n"
                                       "answer OK\n"
                                       "click Quillon1 205\n"
                                       "wait Quillon1 OnStatusChanged 4\n"
                                       "quit\n");
  ASSERT_EQ(run.exitCode, 0) << run.errors << "\n" << testing::PrintToString(run.lines);
  EXPECT_EQ(Count(run, "(SE0015)"), 1) << testing::PrintToString(run.lines);
  EXPECT_EQ(Count(run, "\"icon\":\"stop\""), 1);
  EXPECT_TRUE(Has(run.lines, "{\"result\":1}")) << "still the form";
  EXPECT_EQ(Statuses(run), (std::vector<unsigned>{1, 3, 4})) << testing::PrintToString(run.lines);
  const std::vector<ReceivedRequest> posts = Posts();
  ASSERT_EQ(posts.size(), 3u);
  const ReceivedRequest& step2 = posts.back();
  EXPECT_EQ(step2.multipartError, "");
  ASSERT_NE(step2.Part("EstimateFile1"), nullptr);
  EXPECT_EQ(step2.Part("EstimateFile1")->data, ReadRaw(folder / "docs/doc.pdf")) << "byte for byte";
  ASSERT_NE(step2.Part("CGI_ID"), nullptr);
  EXPECT_EQ(step2.Part("CGI_ID")->data, "C0") << "the forged part is no part";
  ASSERT_NE(step2.Part("S9_R72"), nullptr);
  EXPECT_EQ(step2.Part("S9_R72")->data, posts[1].Part("S9_R72")->data);
  EXPECT_NE(step2.Part("ImageFile3"), nullptr);
}

}  // namespace
