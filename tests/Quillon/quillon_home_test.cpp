// Every test process of the photo control gets a profile folder of its own: the controls keep their working
// folders under the profile, and tests that run at once must not share them (nor a person's own).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "test_support.h"

namespace {

class OwnProfile : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = std::make_unique<testing_support::TempFolder>();
    const char* home = std::getenv("HOME");
    hadHome_ = home != nullptr;
    if (home) oldHome_ = home;
    setenv("HOME", folder_->path().c_str(), 1);
  }
  void TearDown() override {
    if (hadHome_) {
      setenv("HOME", oldHome_.c_str(), 1);
    } else {
      unsetenv("HOME");
    }
    folder_.reset();
  }

 private:
  std::unique_ptr<testing_support::TempFolder> folder_;
  std::string oldHome_;
  bool hadHome_ = false;
};

[[maybe_unused]] ::testing::Environment* const g_ownProfile = ::testing::AddGlobalTestEnvironment(new OwnProfile);

}  // namespace
