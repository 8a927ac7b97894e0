// The selection control on real estimates: the header library's stand-in over the estimate-file library reads
// their headers and unpacks the chosen one; the page receives the estimate's values. Screenshots of the dialog
// with a page of estimates are left in the build folder.
#include <gtest/gtest.h>

#include "platform/ui/driver.h"
#include "real_estimates.h"
#include "tamsel_host.h"

namespace {

using namespace tamsel_test;
using D = tamsel::CVekSelectDialog;

class RealEstimatesTest : public TamselTest {
 protected:
  void SetUp() override {
    if (!SharedEstimates::Get().blocker.empty()) FAIL() << SharedEstimates::Get().blocker;
    env.env.tempFolder = root / "tmp";
    platform::MakeFolders(env.env.tempFolder);
  }
  static std::string Data() { return SharedEstimates::Get().data; }

  static void Click(D& d, int id) {
    std::string error;
    ASSERT_TRUE(ui::driver::Click(d, id, &error)) << error;
  }
  static int RowOf(D& d, const std::string& name) {
    for (int row = 0; row < d.ListRowCount(D::kIdList); ++row) {
      if (d.ListCell(D::kIdList, row, 0) == name) return row;
    }
    return -1;
  }
};

TEST_F(RealEstimatesTest, PagesAGreyRowAndTheChoice) {
  TamselPage page(Params{{"Vek2Folder", Data()}, {"Owner", "ホスト"}});
  page.FitToDialog();
  D& d = page.Select();
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
  EXPECT_EQ(d.ItemText(D::kIdFileCount), "25");
  EXPECT_EQ(d.ListCell(D::kIdList, 0, 0), "r25.vek");
  EXPECT_EQ(d.ListCell(D::kIdList, 0, 1), "A2024-1025");
  EXPECT_EQ(d.ListCell(D::kIdList, 0, 2), "山田　太郎");
  EXPECT_EQ(d.ListCell(D::kIdList, 0, 3), "プリウス");
  EXPECT_EQ(d.ListCell(D::kIdList, 0, 4), "品川325あ35-55");
  EXPECT_TRUE(page.host.SaveScreenshot(testing_support::ShotsFolder("tamsel") + "/tamsel_select_page1.png"));

  // Page 2 holds the damaged r13, grey and without values.
  Click(d, D::kIdNextTop);
  EXPECT_EQ(d.ItemText(D::kIdPageTop), "2");
  const int damaged = RowOf(d, "r13.vek");
  ASSERT_GE(damaged, 0);
  EXPECT_EQ(d.ListCell(D::kIdList, damaged, 1), "");
  ui::Colour colour;
  EXPECT_TRUE(d.OnListRowColour(D::kIdList, damaged, colour));
  std::string error;
  ASSERT_TRUE(ui::driver::Select(d, D::kIdList, damaged, &error)) << error;
  EXPECT_FALSE(d.IsItemEnabled(D::kIdLoad));
  // r12 carries a photo-link file.
  const int chosen = RowOf(d, "r12.vek");
  ASSERT_GE(chosen, 0);
  ASSERT_TRUE(ui::driver::Select(d, D::kIdList, chosen, &error)) << error;
  EXPECT_TRUE(d.IsItemEnabled(D::kIdLoad));
  EXPECT_TRUE(page.host.SaveScreenshot(testing_support::ShotsFolder("tamsel") + "/tamsel_select_page2.png"));
  Click(d, D::kIdNextBottom);
  EXPECT_EQ(d.ItemText(D::kIdPageBottom), "3");
  EXPECT_EQ(d.ListRowCount(D::kIdList), 5);
  Click(d, D::kIdPrevBottom);
  ASSERT_TRUE(ui::driver::Select(d, D::kIdList, RowOf(d, "r12.vek"), &error)) << error;
  Click(d, D::kIdLoad);

  ASSERT_EQ(page.Regists().size(), 1u) << (page.Boxes().empty() ? "" : testing_support::Show(page.Boxes()[0]));
  std::vector<std::string> f = Fields(page.Regists()[0]);
  ASSERT_EQ(f.size(), 23u);
  const RealEstimate e = TwentyFiveEstimates()[11];
  EXPECT_EQ(f[0], e.linkCustomer);      // VisitorName
  EXPECT_EQ(f[1], e.adjuster);          // AgreePerson
  EXPECT_EQ(f[2], e.acceptNo);          // ReceptNo, from the header summary
  EXPECT_EQ(f[3], "2024/04/30");        // AccidentDate
  EXPECT_EQ(f[4], e.ticketNo);          // SecurityNo
  EXPECT_EQ(f[5], e.linkCarNo);         // RegistNo
  EXPECT_EQ(f[6], e.linkCarName);       // Form
  EXPECT_EQ(f[7], e.mouldNo);
  EXPECT_EQ(f[8], e.kindNo);
  EXPECT_EQ(f[9], e.colour);
  EXPECT_EQ(f[10], e.owner);
  EXPECT_EQ(f[11], e.user);
  EXPECT_EQ(f[12], "2024/05/01");       // Garage
  // The estimate-file library writes none of the registration parts, the first-registration date or the file
  // version: those come empty.
  for (int i = 13; i <= 20; ++i) EXPECT_EQ(f[i], "") << tamsel::CTamselCtrl::RegistNames()[i];
  EXPECT_EQ(f[21], Data() + "/r12.vek");
  EXPECT_EQ(f[22], "1");
  EXPECT_EQ(page.Boxes(), std::vector<std::string>{});
}

TEST_F(RealEstimatesTest, WithoutAPhotoLinkFileTheHeaderSpeaks) {
  TamselPage page(Params{{"Vek2Folder", Data()}});
  D& d = page.Select();
  std::string error;
  ASSERT_TRUE(ui::driver::Select(d, D::kIdList, RowOf(d, "r25.vek"), &error)) << error;
  Click(d, D::kIdLoad);
  ASSERT_EQ(page.Regists().size(), 1u);
  std::vector<std::string> f = Fields(page.Regists()[0]);
  EXPECT_EQ(f[0], "山田　太郎");
  EXPECT_EQ(f[2], "A2024-1025");
  EXPECT_EQ(f[5], "品川325あ35-55");
  EXPECT_EQ(f[6], "プリウス");
  EXPECT_EQ(f[1], "");
  EXPECT_EQ(f[22], "1");
}

TEST_F(RealEstimatesTest, CancelAndModeFour) {
  {
    TamselPage page(Params{{"Vek2Folder", Data()}, {"VisitorName", "ホスト"}});
    Click(page.Select(), D::kIdCancel);
    EXPECT_EQ(page.Regists(), std::vector<std::string>{std::string(22, '\t') + "0"});
  }
  TamselPage page(Params{{"FuncID", "4"}, {"Vek2Folder", Data()}, {"TorvaneFileName", Data() + "/r03.vek"}});
  ASSERT_EQ(page.events.size(), 2u);
  EXPECT_EQ(page.events[0].id, 3);
  EXPECT_EQ(page.Statuses(), std::vector<unsigned>{3});
  std::vector<std::string> f = Fields(page.Regists().at(0));
  EXPECT_EQ(f[0], TwentyFiveEstimates()[2].linkCustomer);
  EXPECT_EQ(f[21], Data() + "/r03.vek");
  EXPECT_EQ(f[22], "1");
}

TEST_F(RealEstimatesTest, ScreenshotsAtTheHigherResolution) {
  env.env.dpiX = env.env.dpiY = 120;
  TamselPage page(Params{{"Vek2Folder", Data()}});
  page.FitToDialog();
  std::string error;
  ASSERT_TRUE(ui::driver::Select(page.Select(), D::kIdList, 1, &error)) << error;
  EXPECT_TRUE(page.host.SaveScreenshot(testing_support::ShotsFolder("tamsel") + "/tamsel_select_120dpi.png"));
}

}  // namespace
