// The photo control's library registered into a registry file of the test's own: its class, property page,
// type library and categories, creation by ProgID from what it registered, removal, and failed writes.
#include <gtest/gtest.h>

#include "control_registration.h"

namespace {

const testing_support::ControlRegistrationIds kQuillon = {
    "Quillon.dll",           "libQuillon.so",
    "{9850172F-5180-4D4F-BFB6-3CB39E817481}", "{3736C22C-D4BC-4019-A495-B03BDF146A67}",
    "{93A18EF3-747F-4A49-B713-6BB1C1C1D4A4}", "Quillon",
    "Quillon.QuillonCtrl.1", "Quillon Property Page",
    "Quillon.QuillonPropPage.1", "QuillonLib"};

class QuillonRegistration : public testing_support::ControlRegistrationTest {
 protected:
  void SetUp() override { Load(kQuillon.module); }
};

TEST_F(QuillonRegistration, WritesTheControlItsPageLibraryAndCategories) { ExpectRoundTrip(kQuillon); }

TEST_F(QuillonRegistration, AFailedWriteGivesTheStepsCode) { ExpectFailedWritesGiveTheStepsCode(); }

}  // namespace
