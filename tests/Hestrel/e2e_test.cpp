// The exports of the built libHestrel.so over the real libDorvik.so, on estimates made by the fixture
// generator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "hestrel_test_support.h"

namespace {

using testing_support::BinaryDir;
using testing_support::SourceDir;
using testing_support::WriteRaw;

using ZkGetHeaderFn = std::int32_t (*)(const char*, const char*, char*, std::int32_t*, std::int32_t);

class EndToEndTest : public ::testing::Test {
 protected:
  EndToEndTest() : libs(BinaryDir() + "/lib") {
    hestrel_ = platform::LoadModuleFrom(libs + "/libHestrel.so", nullptr);
    if (!hestrel_) ADD_FAILURE() << platform::ModuleError();
  }
  ~EndToEndTest() override {
    if (hestrel_) platform::FreeModule(hestrel_);
  }
  template <class F>
  F Export(const char* name) {
    return platform::GetFunctionAs<F>(hestrel_, name);
  }
  // An estimate file from a JSON field set (UTF-8).
  std::string MakeVek(const std::string& name, const std::string& json) {
    std::string spec = root / (name + ".json"), vek = root / name;
    WriteRaw(spec, testing_support::Utf8(json));  // the literals are CP932
    std::string cmd = "python3 '" + SourceDir() + "/tests/fixtures/make_vek.py' '" + spec + "' '" + vek + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return vek;
  }
  int GetHeader(const std::string& vek, int mode) {
    buffer.assign(512, 0x55);
    std::int32_t size = 512;
    return Export<ZkGetHeaderFn>("ZkGetHeader")(libs.c_str(), vek.c_str(), buffer.data(), &size, mode);
  }
  std::string At(std::size_t offset, std::size_t size) const { return std::string(buffer.data() + offset, size); }

  testing_support::TempFolder root;
  std::string libs;
  std::vector<char> buffer;

 private:
  platform::ModuleHandle hestrel_ = nullptr;
};

const char* kFields = R"({"header_data": {"Version": "0010"},
  "header_info": {"AcceptNo": "R-0001", "GroupKey": "G", "SelfName": "中央モータース", "CustomerName": "山田 太郎",
                  "CarName": "カローラ", "GarageInDate": [2024, 5, 1], "GarageOutDate": [2024, 5, 10],
                  "Progress": 2, "ImageCount": 3, "CreatedDate": [2023, 12, 31], "Total": 1234567.5,
                  "CarNoDepartment": "品川", "CarNoDivision": "300", "CarNoBusiness": "あ",
                  "CarNoSerial": "12-34", "AgreedPassword": "secret"}})";

std::string Padded(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), '\0'); }

TEST_F(EndToEndTest, HeaderSummaryFromARealEstimate) {
  std::string vek = MakeVek("a.vek", kFields);
  ASSERT_EQ(GetHeader(vek, 0), 0);
  EXPECT_EQ(At(0, 10), std::string("VEK30010\x31\x01", 10));
  EXPECT_EQ(At(10, 37), Padded("R-0001", 37));
  EXPECT_EQ(At(77, 40), Padded("中央モータース", 40));
  EXPECT_EQ(At(117, 30), Padded("山田 太郎", 30));
  EXPECT_EQ(At(198, 4), std::string("\xE8\x07\x05\x01", 4));
  EXPECT_EQ(At(202, 4), std::string("\xE8\x07\x05\x0A", 4));
  EXPECT_EQ(At(206, 6), std::string("\x02\x00\x00\x00\x03\x00", 6));
  EXPECT_EQ(At(212, 4), std::string("\xE7\x07\x0C\x1F", 4));
  EXPECT_EQ(At(216, 28), Padded("品川", 8) + Padded("300", 6) + Padded("あ", 4) + Padded("12-34", 10));
  double total;
  std::memcpy(&total, buffer.data() + 244, 8);
  EXPECT_EQ(total, 1234567.5);
  EXPECT_EQ(At(252, 2), std::string("\x00\x01", 2));
  EXPECT_EQ(At(254, 258), std::string(258, '\0'));

  ASSERT_EQ(GetHeader(vek, 1), 0);
  EXPECT_EQ(At(0, 37), Padded("R-0001", 37));
  EXPECT_EQ(At(37, 30), Padded("山田 太郎", 30));
  EXPECT_EQ(At(67, 50), Padded("カローラ", 50));
  EXPECT_EQ(At(117, 28), Padded("品川", 8) + Padded("300", 6) + Padded("あ", 4) + Padded("12-34", 10));
  EXPECT_EQ(At(145, 2), std::string("\x00\x01", 2));
  EXPECT_EQ(At(147, 365), std::string(365, '\0'));
}

TEST_F(EndToEndTest, DamagedEstimates) {
  std::string vek = MakeVek("b.vek", kFields);
  std::string bytes = testing_support::ReadRaw(vek);
  WriteRaw(root / "short.vek", bytes.substr(0, 300));  // the signature record reads, the header does not
  EXPECT_EQ(GetHeader(root / "short.vek", 0), -4);
  WriteRaw(root / "sig.vek", "VEK4" + bytes.substr(4));  // the library's own signature check
  EXPECT_EQ(GetHeader(root / "sig.vek", 0), -2);
  EXPECT_EQ(GetHeader(root / "none.vek", 0), -1);
}

}  // namespace
