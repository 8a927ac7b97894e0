#include "platform/com/property_bag.h"

#include <gtest/gtest.h>

namespace {

using namespace platform::com;

TEST(PropertyBag, ReadsByNameWithoutRegardToCase) {
  ComPtr<PropertyBag> bag = MakeObject<PropertyBag>();
  bag->Set("FuncID", "0");
  bag->Set("ImageFolder", "/data/画像");
  bag->Set("funcid", "3");  // the same name: keeps its place, takes the new value
  bag->Set("Empty", "");
  ASSERT_EQ(bag->Values().size(), 3u);
  EXPECT_EQ(bag->Values()[0].first, "FuncID");

  struct Case {
    const char* name;
    HRESULT hr;
    std::string value;
  } cases[] = {
      {"FUNCID", S_OK, "3"},
      {"imagefolder", S_OK, "/data/画像"},
      {"Empty", S_OK, ""},
      {"Missing", E_INVALIDARG, "untouched"},
  };
  for (const Case& c : cases) {
    std::string value = "untouched";
    EXPECT_EQ(bag->Read(c.name, &value), c.hr) << c.name;
    EXPECT_EQ(value, c.value) << c.name;
  }
  EXPECT_EQ(bag->Read("FuncID", nullptr), E_POINTER);
  EXPECT_EQ(bag->Reads(), (std::vector<std::string>{"FUNCID", "imagefolder", "Empty", "Missing"}));
}

}  // namespace
