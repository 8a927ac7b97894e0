// The selection control's library registered into a registry file of the test's own: its class, property page,
// type library and categories, creation by ProgID from what it registered, removal, and failed writes.
#include <gtest/gtest.h>

#include "control_registration.h"

namespace {

const testing_support::ControlRegistrationIds kTamsel = {
    "Tamsel.dll",            "libTamsel.so",
    "{94E256C8-26C8-41C0-B698-BC6C97F35128}", "{3E5822F1-535F-4233-96FB-6B8C5AE16DF5}",
    "{8B9DF874-095F-4697-9B70-29230CA9CE3D}", "Tamsel",
    "Tamsel.TamselCtrl.1",   "Tamsel Property Page",
    "Tamsel.TamselPropPage.1",   "TamselLib"};

class TamselRegistration : public testing_support::ControlRegistrationTest {
 protected:
  void SetUp() override { Load(kTamsel.module); }
};

TEST_F(TamselRegistration, WritesTheControlItsPageLibraryAndCategories) { ExpectRoundTrip(kTamsel); }

TEST_F(TamselRegistration, AFailedWriteGivesTheStepsCode) { ExpectFailedWritesGiveTheStepsCode(); }

}  // namespace
