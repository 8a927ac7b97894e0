// The selection control tests' main: one application object on the offscreen platform for the whole run.
#include <gtest/gtest.h>

#include "platform/ui/application.h"

int main(int argc, char** argv) {
  platform::ui::ApplicationScope app(argc, argv, true);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
