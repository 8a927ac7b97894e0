#include "platform/module.h"

#include <gtest/gtest.h>

namespace {

TEST(Module, FileNames) {
  EXPECT_EQ(platform::ModuleFileName("Pakkel.dll"), "libPakkel.so");
  EXPECT_EQ(platform::ModuleFileName("Pakkel.DLL"), "libPakkel.so");
  EXPECT_EQ(platform::ModuleFileName("CABINET"), "libCABINET.so");
  EXPECT_EQ(platform::ModuleFileName("libx.so"), "libx.so");
  EXPECT_EQ(platform::ModuleFileName("/opt/a/Pakkel.dll"), "/opt/a/Pakkel.dll");
}

TEST(Module, LoadsBySearchPathAndFindsOnlyItsOwnFunctions) {
  EXPECT_EQ(platform::LoadModule(""), nullptr);
  EXPECT_EQ(platform::LoadModule("NoSuchModule.dll"), nullptr);
  EXPECT_FALSE(platform::ModuleError().empty());
  // The layer itself, found through $VEK_MODULE_PATH.
  platform::ModuleHandle h = platform::LoadModule("vekplatform.dll");
  ASSERT_NE(h, nullptr) << platform::ModuleError();
  EXPECT_NE(platform::GetFunction(h, "_ZN8platform9LastErrorEv"), nullptr);
  EXPECT_EQ(platform::GetFunction(h, "malloc"), nullptr) << "a function of a library it depends on";
  EXPECT_EQ(platform::GetFunction(h, "NoSuchFunction"), nullptr);
  EXPECT_TRUE(platform::FreeModule(h));
  EXPECT_FALSE(platform::FreeModule(nullptr));
}

}  // namespace
