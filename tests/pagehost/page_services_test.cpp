// The page's services: every request printed after it is answered, boxes and dialogs told to the object they
// belong to, and the script's answers taken in order.
#include "page_services.h"

#include <gtest/gtest.h>

#include "platform/ui/application.h"

namespace {

using namespace pagehost;
namespace ui = platform::ui;

class PageServicesTest : public testing::Test {
 protected:
  PageServicesTest() { ui::EnsureApplication(true); }

  std::vector<std::string> lines;
  std::vector<std::string> errors;
  PageHost host{[this](const std::string& l) { lines.push_back(l); }};
  ui::ScriptedServices answers;
  PageServices services{answers, &answers, host, [this](const std::string& l) { lines.push_back(l); }};

  void SetUp() override {
    services.onScriptError = [this](const std::string& e) { errors.push_back(e); };
  }
  ui::BoxAnswer Box(ui::BoxButtons buttons, int defaultButton = 0) {
    return services.ShowMessageBox({"t", "T", ui::BoxIcon::Question, buttons, defaultButton}, nullptr);
  }
};

TEST_F(PageServicesTest, BoxesTakeQueuedAnswersElseTheirDefault) {
  answers.QueueAnswer(ui::BoxAnswer::Cancel);
  EXPECT_EQ(Box(ui::BoxButtons::OkCancel), ui::BoxAnswer::Cancel);
  EXPECT_EQ(Box(ui::BoxButtons::OkCancel, 1), ui::BoxAnswer::Cancel);  // nothing queued: the default button
  EXPECT_EQ(Box(ui::BoxButtons::YesNo), ui::BoxAnswer::Yes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "{\"object\":null,\"box\":{\"text\":\"t\",\"title\":\"T\",\"icon\":\"question\",\"buttons\":\"okcancel\","
            "\"answer\":\"Cancel\"}}");
  EXPECT_NE(lines[2].find("\"answer\":\"Yes\""), std::string::npos);
  EXPECT_TRUE(errors.empty());
}

TEST_F(PageServicesTest, AQueuedAnswerWithoutItsButtonIsTheScriptsMistake) {
  answers.QueueAnswer(ui::BoxAnswer::Yes);
  EXPECT_EQ(Box(ui::BoxButtons::Ok), ui::BoxAnswer::Ok);
  ASSERT_EQ(lines.size(), 1u);  // the box stood, so it is printed
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("no button for the queued answer"), std::string::npos);
}

TEST_F(PageServicesTest, DialogsTakeQueuedPathsElseAreCancelled) {
  answers.QueuePath("/tmp/a.jpg");
  answers.QueueCancel();
  std::string path;
  EXPECT_TRUE(services.ChooseFile({}, nullptr, path));
  EXPECT_EQ(path, "/tmp/a.jpg");
  ui::FileDialogRequest save;
  save.save = true;
  EXPECT_FALSE(services.ChooseFile(save, nullptr, path));
  EXPECT_FALSE(services.ChooseFolder({}, nullptr, path));
  EXPECT_FALSE(services.OfferDownload({"a.pdf", 10}, nullptr, path));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "{\"object\":null,\"dialog\":\"open\",\"answer\":\"/tmp/a.jpg\"}",
                       "{\"object\":null,\"dialog\":\"save\",\"answer\":null}",
                       "{\"object\":null,\"dialog\":\"folder\",\"answer\":null}",
                       "{\"object\":null,\"dialog\":\"download\",\"answer\":null}",
                   }));
  EXPECT_TRUE(errors.empty());
}

}  // namespace
