// A page that lets go of the control from its event handlers, in each place the control fires: while its window
// is made (status, and the registration string of mode 4) and after a person's cancel.
#include <gtest/gtest.h>

#include "platform/ui/driver.h"
#include "tamsel_host.h"

namespace {

using namespace tamsel_test;

class ReleaseTest : public TamselTest {
 protected:
  // When the page hears event `which`, it destroys the control's window and drops its last reference.
  void ReleaseOn(TamselPage& page, com::DISPID which) {
    releaser = com::MakeObject<com::EventSink>(
        tamsel::kIidDTamselEvents, [&page, which](com::DISPID id, const std::vector<com::Variant>&) {
          if (id != which || !page.dispatch) return;
          com::ComPtr<com::IControlWindow> window;
          if (com::Succeeded(page.dispatch.As(window))) window->DestroyControlWindow();
          page.dispatch.Reset();
        });
    std::uint32_t cookie = 0;
    ASSERT_EQ(com::Advise(page.dispatch.Get(), tamsel::kIidDTamselEvents, releaser.Get(), &cookie), com::S_OK);
  }

  std::string data = root / "data";
  FakeHeaderLibrary fake;
  com::ComPtr<com::EventSink> releaser;
};

TEST_F(ReleaseTest, OnTheRegistrationStringOfModeFour) {
  auto files = MakeFiles(data, 3);
  TamselPage page(Params{{"FuncID", "4"}, {"Vek2Folder", data}, {"TorvaneFileName", files[0]}}, false);
  ReleaseOn(page, 3);
  page.CreateWindow();
  EXPECT_FALSE(page.dispatch);
}

TEST_F(ReleaseTest, OnTheStatusWhileTheWindowIsMade) {
  MakeFiles(data, 3);
  TamselPage page(Params{{"Vek2Folder", data}}, false);
  ReleaseOn(page, 2);
  page.CreateWindow();
  EXPECT_FALSE(page.dispatch);
}

TEST_F(ReleaseTest, OnTheRegistrationStringOfACancel) {
  MakeFiles(data, 3);
  TamselPage page(Params{{"Vek2Folder", data}});
  ReleaseOn(page, 3);
  std::string error;
  ASSERT_TRUE(ui::driver::Click(page.Select(), 2, &error)) << error;
  ui::DispatchPendingMessages();
  EXPECT_FALSE(page.dispatch);
}

}  // namespace
