// The photo-list form's start-up: working folders, the downloads of registered files, the host's estimate
// file, and what stays when the form goes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CUploadDialog.h"
#include "FormIds.h"
#include "platform/fault.h"
#include "form_test_support.h"
#include "image_server.h"
#include "platform/clock.h"
#include "platform/web/browser.h"

namespace {

using namespace form_test;
using testing_support::ReadRaw;
using testing_support::Show;
using testing_support::WriteRaw;

std::vector<std::string> WorkingFolders(const std::string& system) {
  std::vector<std::string> folders = {system + "ImageUploadTemp", system + "DBDownloadTemp"};
  for (int n = 1; n <= 9; ++n) folders.push_back(system + "DBDownloadTemp/" + std::to_string(n));
  return folders;
}

TEST(FormStartup, WorkingFoldersStandWhileTheFormLives) {
  std::string system;
  {
    FormPage page(Params{}, false);
    system = page.SystemFolder();
    ASSERT_FALSE(system.empty());
    std::filesystem::create_directories(system + "DBDownloadTemp/3");
    // What an earlier form left is emptied; what lies in a sub-folder of the staging folder stays.
    std::filesystem::create_directories(system + "ImageUploadTemp/keep");
    WriteRaw(system + "ImageUploadTemp/old.jpg", "old");
    WriteRaw(system + "DBDownloadTemp/3/old.jpg", "old");
    page.Create();
    EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
    EXPECT_EQ(page.form().SystemFolder(), system);
    for (const std::string& folder : WorkingFolders(system)) EXPECT_TRUE(platform::IsFolder(folder)) << folder;
    EXPECT_FALSE(platform::Exists(system + "ImageUploadTemp/old.jpg"));
    EXPECT_FALSE(platform::Exists(system + "DBDownloadTemp/3/old.jpg"));
    EXPECT_TRUE(platform::IsFolder(system + "ImageUploadTemp/keep"));
    EXPECT_FALSE(platform::Exists(system + "VekDownloadTemp")) << "no estimate, no estimate folder";
    EXPECT_EQ(page.ctrl().GetMode(), 0);
    EXPECT_EQ(page.form().ComboSelection(431), 1) << "without an estimate file: oldest first";
    EXPECT_EQ(page.form().ComboCount(410), 1);
    EXPECT_EQ(page.form().ItemText(429), "1,1,4,0");
  }
  for (const std::string& folder : WorkingFolders(system)) EXPECT_FALSE(platform::Exists(folder)) << folder;
  EXPECT_TRUE(platform::IsFolder(system)) << "the system folder itself stays";
}

TEST(FormStartup, SystemFolderThatCannotServe) {
  testing_support::TempFolder root;
  WriteRaw(root / "file", "not a folder");
  struct Case {
    const char* name;
    std::string profile;
    int osMajor;
    std::string param;
    std::string shown;  // the folder message 1001 names
  } cases[] = {
      {"no profile folder", "", 10, "", ""},
      {"a relative folder of an old system", "", 5, "work", "work"},
      {"a folder beneath a file", root / "file", 10, "", root / "file/zentrovia"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::FakeEnvironmentScope env;
    env.env.profileFolder = c.profile;
    env.env.osMajor = c.osMajor;
    env.env.tempFolder = root.path();
    FormPage page(Params{{"SystemFolder", c.param}});
    EXPECT_EQ(Show(page.Boxes().at(0)), Show(Message(1001, {c.shown})));
    EXPECT_EQ(page.ctrl().GetFuncID(), 5);
    EXPECT_EQ(page.ctrl().GetMode(), 5);
    EXPECT_EQ(page.ctrl().GetStatus(), 3u);
    quillon::CUploadDialog& upload = *page.ctrl().UploadDialog();
    EXPECT_EQ(upload.ItemText(quillon::CUploadDialog::kIdButton), "閉じる");
    EXPECT_EQ(page.form().FolderPaths().size(), 0u);
  }
}

TEST(FormStartup, ASecondLiveFormIsRefusedAndTouchesNothing) {
  testing_support::TempFolder photos;
  MakePhotos(photos, 2);
  FormPage first(Params{{"ImageFolder", photos.path()}});
  first.form().AddPhotoToRegistration(0, CFormDialog::kFromFolderPage);
  const std::string staged = first.SystemFolder() + "ImageUploadTemp/p01.jpg";
  const std::string before = ReadRaw(staged);
  ASSERT_FALSE(before.empty());
  {
    FormPage second(Params{{"ImageFolder", photos.path()}});
    std::string folder = second.SystemFolder();
    folder.pop_back();
    // Told as what it is: the folder is there, held by the other form.
    EXPECT_EQ(second.Boxes(), std::vector<std::string>{Message(quillon::kMessageFormOpenElsewhere, {folder})});
    EXPECT_EQ(second.ctrl().GetMode(), 5);
    EXPECT_EQ(ReadRaw(staged), before);
  }
  EXPECT_EQ(ReadRaw(staged), before) << "the refused form's end leaves the first one's folders";
  EXPECT_TRUE(platform::IsFolder(first.SystemFolder() + "DBDownloadTemp/9"));
}

TEST(FormStartup, EmptyingAFolderFails) {
  FormPage page(Params{}, false);
  std::filesystem::create_directories(page.SystemFolder() + "DBDownloadTemp");
  WriteRaw(page.SystemFolder() + "DBDownloadTemp/old.jpg", "old");
  platform::FailNthCall(platform::FileOp::Delete, 1);
  page.Create();
  platform::ClearFaults();
  EXPECT_EQ(Show(page.Boxes().at(0)), Show(Message(1009, {page.SystemFolder() + "DBDownloadTemp"})));
  EXPECT_EQ(page.ctrl().GetMode(), 5);
}

class FormDownloads : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.ok()); }
  // The PARAM values of registered photo n (1-9).
  void Photo(Params& p, int n, const std::string& server, const std::string& local, const std::string& fileTime,
             const std::string& entryTime, int size) {
    const std::string s = std::to_string(n);
    p["DBImageFileNM" + s] = server;
    p["DBImageFilePrtNM" + s] = local;
    p["DBImageFileTime" + s] = fileTime;
    p["DBImageEntryTime" + s] = entryTime;
    p["DBImageFileSize" + s] = std::to_string(size);
  }
  std::string Jpeg(int width, int height) {
    testing_support::TempFolder t;
    WritePhoto(t / "x.jpg", width, height);
    return ReadRaw(t / "x.jpg");
  }
  testing_support::ImageServer server;
};

TEST_F(FormDownloads, RegisteredPhotosComeDownAndIntoTheList) {
  const std::string a = Jpeg(300, 200), b = Jpeg(40, 30);
  ASSERT_TRUE(server.AddFile("/img/S001.jpg", a, "image/jpeg"));
  ASSERT_TRUE(server.AddFile("/img/S003.jpg", b, "image/jpeg"));
  ASSERT_TRUE(server.AddFile("/img/S004.jpg", b, "image/jpeg", {}, 404));
  Params p{{"ImageServerURL", server.Url("/img/")}};
  Photo(p, 1, "S001.jpg", "front.jpg", "20240101101010", "20240202121212", 5000);
  // A slot whose file is no photograph: the slots after it keep their own times and sizes.
  Photo(p, 2, "S002.txt", "notes.txt", "20230101000000", "20230101000001", 7);
  Photo(p, 3, "S003.jpg", "back.jpg", "20240303030303", "20240404040404", 3000);
  Photo(p, 4, "S004.jpg", "side.jpg", "20240505050505", "20240606060606", 100);
  Photo(p, 5, "S005.jpg", "../../escape.jpg", "20240505050505", "20240606060606", 100);
  ASSERT_TRUE(server.AddFile("/img/S002.txt", "text"));
  FormPage page(p);
  const std::string system = page.SystemFolder();
  EXPECT_EQ(ReadRaw(system + "DBDownloadTemp/1/front.jpg"), a);
  EXPECT_EQ(ReadRaw(system + "DBDownloadTemp/3/back.jpg"), b);
  EXPECT_TRUE(platform::IsFile(system + "DBDownloadTemp/4/side.jpg")) << "a failed download leaves an empty file";
  EXPECT_EQ(ReadRaw(system + "DBDownloadTemp/4/side.jpg"), "");
  EXPECT_FALSE(platform::Exists(system + "escape.jpg"));
  EXPECT_FALSE(platform::Exists(system + "DBDownloadTemp/escape.jpg"));
  const std::vector<std::string> boxes = page.Boxes();
  // The empty file of the failed download keeps its row, and is not read as a photo: one message each.
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(Show(boxes[0]), Show(Message(1008, {"side.jpg"})));
  EXPECT_EQ(Show(boxes[1]), Show(Message(1008, {"../../escape.jpg"})));

  const quillon::FileEntryList& list = page.form().RegistrationList();
  ASSERT_EQ(list.Count(), 3);
  struct Row {
    const char* name;
    const char* state;
    std::int64_t size;
  } rows[] = {{"front.jpg", "2024/02/02 12:12:12", 5000},
              {"back.jpg", "2024/04/04 04:04:04", 3000},
              {"side.jpg", "2024/06/06 06:06:06", 100}};
  for (int r = 0; r < 3; ++r) {
    SCOPED_TRACE(rows[r].name);
    const quillon::FileEntry* e = list.At(r);
    EXPECT_EQ(e->fileName, rows[r].name);
    EXPECT_EQ(e->group, "登録済画像");
    EXPECT_EQ(e->size, rows[r].size);
    EXPECT_EQ(page.form().RowState(r), rows[r].state);
    EXPECT_EQ(page.form().ItemText(quillon::form_ids::kRowStates[r]), rows[r].state);
    EXPECT_TRUE(page.form().IsItemVisible(quillon::form_ids::kRowPictures[r]));
    EXPECT_FALSE(page.form().IsItemVisible(quillon::form_ids::kRowEdit[r])) << "registered photos are not edited";
  }
  EXPECT_EQ(list.At(0)->lastWriteKey, "20240101101010");
  EXPECT_EQ(list.At(1)->lastWriteKey, "20240303030303");
  EXPECT_EQ(list.At(1)->entryKey, "20240404040404");
  EXPECT_EQ(page.form().RowImage(0)->Width(), 194);
  EXPECT_EQ(page.form().RowImage(0)->Height(), 129);
  EXPECT_EQ(page.form().ItemText(436), "3");
  EXPECT_EQ(page.form().ItemText(480), "3");
  EXPECT_TRUE(page.form().IsItemVisible(quillon::form_ids::kRowZoom[0]));
  EXPECT_FALSE(page.form().IsItemVisible(quillon::form_ids::kRowZoom[2])) << "no thumbnail, no zoom";
}

TEST_F(FormDownloads, AnEmptyFirstSlotDownloadsNothing) {
  ASSERT_TRUE(server.AddFile("/img/S002.jpg", Jpeg(20, 20)));
  Params p{{"ImageServerURL", server.Url("/img/")}};
  Photo(p, 2, "S002.jpg", "two.jpg", "20240101101010", "20240202121212", 10);
  FormPage page(p);
  EXPECT_EQ(server.Requests().size(), 0u);
  EXPECT_EQ(page.form().RegistrationList().Count(), 0);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
}

TEST_F(FormDownloads, AServerThatIsDownCostsEachPhotoOneMessage) {
  Params p{{"ImageServerURL", "http://127.0.0.1:1/img/"}};
  Photo(p, 1, "S001.jpg", "a.jpg", "20240101101010", "20240202121212", 10);
  Photo(p, 2, "S002.jpg", "b.jpg", "20240101101010", "20240202121212", 10);
  FormPage page(p);
  std::vector<std::string> boxes = page.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(Show(boxes[0]), Show(Message(1008, {"a.jpg"})));
  EXPECT_EQ(Show(boxes[1]), Show(Message(1008, {"b.jpg"})));
  EXPECT_EQ(page.ctrl().GetMode(), 0) << "the form goes on without them";
}

// A server that keeps silent costs the start-up one time limit, however many photos: the first that times out
// ends the waiting, and each photo after it is announced and left empty without a request.
TEST_F(FormDownloads, AfterOneDownloadTimedOutTheRestAreNotWaitedFor) {
  platform::web::SetTimeoutScale(0.05);  // the stall limit of 30 s becomes 1.5 s
  const std::string a = Jpeg(40, 30);
  ASSERT_TRUE(server.AddFile("/img/S001.jpg", a, "image/jpeg"));
  ASSERT_TRUE(server.Step("/img/S002.jpg", R"("kind": "hang", "seconds": 20)"));
  Params p{{"ImageServerURL", server.Url("/img/")}};
  Photo(p, 1, "S001.jpg", "a.jpg", "20240101101010", "20240202121212", 10);
  const char* later[] = {"b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg", "g.jpg", "h.jpg", "i.jpg"};
  for (int n = 2; n <= 9; ++n) {
    Photo(p, n, "S00" + std::to_string(n) + ".jpg", later[n - 2], "20240101101010", "20240202121212", 10);
  }
  const std::uint64_t start = platform::TickMilliseconds();
  FormPage page(p);
  const std::uint64_t took = platform::TickMilliseconds() - start;
  platform::web::SetTimeoutScale(0);
  EXPECT_LT(took, 6000u) << "one stall limit, not eight";
  std::vector<std::string> expected;
  for (const char* name : later) expected.push_back(Message(1008, {name}));
  EXPECT_EQ(page.Boxes(), expected) << "one message each, none for reading the empty files";
  EXPECT_EQ(server.Requests().size(), 2u) << "nothing asked after the silence";
  const quillon::FileEntryList& list = page.form().RegistrationList();
  ASSERT_EQ(list.Count(), 9) << "each photo keeps its row";
  EXPECT_TRUE(list.At(0)->imageLoaded);
  for (int r = 1; r < 9; ++r) {
    EXPECT_EQ(ReadRaw(page.SystemFolder() + "DBDownloadTemp/" + std::to_string(r + 1) + "/" + later[r - 1]), "");
    EXPECT_FALSE(list.At(r)->imageLoaded) << r;
  }
  EXPECT_EQ(page.ctrl().GetMode(), 0);
}

// Photos of the server are told apart by their whole names: two that differ only in case are both registered.
TEST_F(FormDownloads, NamesThatDifferInCaseAreTwoPhotos) {
  const std::string a = Jpeg(40, 30), b = Jpeg(30, 40);
  ASSERT_TRUE(server.AddFile("/img/S001.jpg", a, "image/jpeg"));
  ASSERT_TRUE(server.AddFile("/img/S002.jpg", b, "image/jpeg"));
  Params p{{"ImageServerURL", server.Url("/img/")}, {"UPLOAD_CHECK", "0"}};
  Photo(p, 1, "S001.jpg", "front.jpg", "20240101101010", "20240202121212", 10);
  Photo(p, 2, "S002.jpg", "FRONT.jpg", "20240101101010", "20240202121212", 10);
  FormPage page(p);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  const quillon::FileEntryList& list = page.form().RegistrationList();
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.At(0)->fileName, "front.jpg");
  EXPECT_EQ(list.At(1)->fileName, "FRONT.jpg");
  ASSERT_EQ(page.form().PreRegistrationCheck(page.SystemFolder() + "ImageUploadTemp"), 1);
  const quillon::UploadSet& set = page.form().LastUploadSet();
  ASSERT_EQ(set.photos.size(), 2u);
  EXPECT_EQ(set.photos[0].serverName, "S001.jpg");
  EXPECT_EQ(set.photos[1].serverName, "S002.jpg");
  // A person's choice is still checked without regard to case.
  testing_support::TempFolder photos;
  WritePhoto(photos / "Front.jpg", 20, 20);
  page.ShowFolder(photos.path());
  page.Boxes();
  EXPECT_EQ(page.form().AddPhotoToRegistration(0, CFormDialog::kFromFolderPage), 0);
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(2004, {"Front.jpg"})});
}

TEST(FormStartup, RegisteredAttachmentsFromThePage) {
  FormPage page(Params{{"DBEstimateFileName1", "../../up.vek"}, {"DBEstimateFileName2", "ok&co.vek"},
                       {"DBEstimateFilePrtName2", "見積&控.vek"}, {"DBEstimateEntryTime2", "20240102030405"},
                       {"DBEstimateFileSize2", "1025"}});
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1008, {"../../up.vek"})});
  EXPECT_TRUE(page.form().Slot(0).path.empty()) << "a name that leads out of its folder takes no slot";
  const CFormDialog::AttachmentSlot& second = page.form().Slot(1);
  EXPECT_EQ(second.path, "ok&co.vek");
  EXPECT_EQ(second.displayName, "見積&控.vek");
  EXPECT_EQ(page.form().ItemText(302), "見積&&控.vek") << "the label shows the ampersand itself";
  EXPECT_EQ(page.form().ItemText(307), "(2024/01/02 03:04:05)");
  EXPECT_EQ(page.form().TotalKB(), 2);
  // Where the host's estimate is unpacked.
  const std::string estimates = page.SystemFolder() + "VekDownloadTemp/";
  EXPECT_EQ(page.form().IsInDownloadFolder(""), 0);
  EXPECT_EQ(page.form().IsInDownloadFolder(estimates + "a.vek"), 0);
  EXPECT_EQ(page.form().IsInDownloadFolder(page.SystemFolder() + "vekdownloadtemp/a.vek"), 0);
  EXPECT_EQ(page.form().IsInDownloadFolder(page.SystemFolder() + "a.vek"), -1);
}

// ---- the host's estimate file ----

std::string UnpackBlocker() {
  static const std::string reason = [] {
    testing_support::TempFolder t;
    if (!MakeEstimate(t / "probe.vek", {"P0001.jpg"})) return std::string("the fixture generator or gcab failed");
    if (!platform::IsFile(testing_support::BinaryDir() + "/lib/libPakkel.so")) return std::string("no Pakkel");
    return std::string();
  }();
  return reason;
}

TEST(FormEstimate, TheUnpackedEstimateShowsItsPhotosAndBecomesAnAttachment) {
  if (!UnpackBlocker().empty()) GTEST_SKIP() << UnpackBlocker();
  testing_support::TempFolder data;
  const std::string vek = data / "est.vek";
  ASSERT_TRUE(MakeEstimate(vek, {"P0001.jpg", "P0002.jpg"}));
  FormPage page(Params{{"TorvaneFileName", vek}});
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  const std::string folder = page.SystemFolder() + "VekDownloadTemp/";
  EXPECT_EQ(page.form().PhotoFolder(), folder);
  EXPECT_EQ(page.form().ItemText(206), folder);
  EXPECT_EQ(page.form().FolderPaths(), (std::vector<std::string>{folder + "P0001.jpg", folder + "P0002.jpg"}));
  EXPECT_EQ(page.form().ComboSelection(431), 2) << "with an estimate file: name ascending";
  const CFormDialog::AttachmentSlot& slot = page.form().Slot(0);
  EXPECT_EQ(slot.path, folder + "est.vek");
  EXPECT_EQ(slot.info, "追加ファイル");
  EXPECT_EQ(slot.size, platform::FileSize(vek));
  EXPECT_EQ(page.ctrl().GetParamString(2, 0), folder + "est.vek");
  EXPECT_EQ(page.ctrl().GetParamString(3, 0), "追加ファイル");
  EXPECT_EQ(page.form().ItemText(293), "est.vek");
}

TEST(FormEstimate, AnEstimateOfTheNameRegisteredAsksOnceTheFormIsShown) {
  if (!UnpackBlocker().empty()) GTEST_SKIP() << UnpackBlocker();
  testing_support::TempFolder data;
  const std::string vek = data / "est.vek";
  ASSERT_TRUE(MakeEstimate(vek, {"P0001.jpg"}));
  const Params params{{"TorvaneFileName", vek}, {"DBEstimateFileName1", "est.vek"},
                      {"DBEstimateFilePrtName1", "est.vek"}, {"DBEstimateEntryTime1", "20240101093000"},
                      {"DBEstimateFileTime1", "20231231120000"}, {"DBEstimateFileSize1", "2048"}};
  for (ui::BoxAnswer answer : {ui::BoxAnswer::Yes, ui::BoxAnswer::No}) {
    SCOPED_TRACE(answer == ui::BoxAnswer::Yes ? "Yes" : "No");
    FormPage page(params, false);
    page.services().QueueAnswer(answer);
    page.Create();
    const std::vector<std::string> boxes = page.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Show(boxes[0]), Show("同一ファイル名のゼントロ見積ファイルが登録されています。\n上書きしますか？"));
    EXPECT_FALSE(page.form().IsInitialising());
    const CFormDialog::AttachmentSlot& first = page.form().Slot(0);
    if (answer == ui::BoxAnswer::Yes) {
      EXPECT_EQ(first.path, page.SystemFolder() + "VekDownloadTemp/est.vek");
      EXPECT_EQ(first.info, "追加ファイル");
      EXPECT_TRUE(page.form().Slot(1).path.empty());
    } else {
      EXPECT_EQ(first.path, "est.vek");
      EXPECT_EQ(first.info, "(2024/01/01 09:30:00)");
      EXPECT_TRUE(page.form().Slot(1).path.empty()) << "a refused candidate takes no slot";
    }
  }
}

TEST(FormEstimate, AnEstimateThatDoesNotUnpack) {
  testing_support::TempFolder data;
  FormPage page(Params{{"TorvaneFileName", data / "missing.vek"}});
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{Message(1017)});
  EXPECT_EQ(page.form().PhotoFolder(), page.SystemFolder() + "VekDownloadTemp/");
  EXPECT_TRUE(page.form().Slot(0).path.empty());
  EXPECT_EQ(page.ctrl().GetMode(), 0);
}

}  // namespace
