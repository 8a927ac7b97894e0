// The photo-list form when the page lets go of the control from its handler of the status that "確定" sets, and
// the font of an attachment slot that holds a newly attached file.
#include <gtest/gtest.h>

#include "form_test_support.h"

namespace {

using namespace form_test;
namespace com = platform::com;

TEST(FormRelease, ThePageMayEndTheControlWhenRegistrationStarts) {
  FormPage page(Params{{"UPLOAD_CHECK", "0"}});
  com::ComPtr<com::EventSink> releaser = com::MakeObject<com::EventSink>(
      quillon::kIidDQuillonEvents, [&page](com::DISPID id, const std::vector<com::Variant>&) {
        if (id != 2 || !page.page->dispatch) return;
        com::ComPtr<com::IControlWindow> window;
        if (com::Succeeded(page.page->dispatch.As(window))) window->DestroyControlWindow();
        page.page->dispatch.Reset();
      });
  std::uint32_t cookie = 0;
  ASSERT_EQ(com::Advise(page.page->dispatch.Get(), quillon::kIidDQuillonEvents, releaser.Get(), &cookie),
            com::S_OK);
  page.services().QueueAnswer(ui::BoxAnswer::Ok);
  page.Click(205);  // the sanitizer build tells a use of the form or the control after their end
  EXPECT_FALSE(page.page->dispatch);
}

TEST(FormRelease, ANewlyAttachedFileIsShownInBold) {
  testing_support::TempFolder docs;
  WriteBytes(docs / "doc.pdf", "x");
  FormPage page(Params{});
  page.Type(345, docs / "doc.pdf");
  page.Click(234);
  page.Boxes();
  EXPECT_EQ(page.form().Slot(0).info, "追加ファイル");
  EXPECT_EQ(page.form().ItemFont(303).weight, 700);
  EXPECT_EQ(page.form().ItemFont(293).weight, 700);
  EXPECT_EQ(page.form().ItemFont(307).weight, 400);
}

}  // namespace
