// Helpers of the library's tests: a fresh set of settings, a fake clock, the fixture generator.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Dorvik.h"
#include "ZkSettings.h"
#include "platform/clock.h"
#include "test_support.h"

namespace dorvik_test {

// Forgets every setting of earlier tests (log, message file, retries, last backup name).
inline void ResetSettings() { ZkGetSettings() = ZkSettings{}; }

// A clock standing at a fixed time; sleeping moves its ticks on and is counted.
class FakeClock : public platform::Clock {
 public:
  platform::LocalTime now{2024, 5, 1, 9, 30, 0, 123, 3};
  bool readable = true;
  std::uint64_t ticks = 1000;
  std::vector<unsigned> sleeps;
  bool Now(platform::LocalTime& out) override {
    out = now;
    return readable;
  }
  void Sleep(unsigned ms) override {
    sleeps.push_back(ms);
    ticks += ms;
  }
  std::uint64_t TickMilliseconds() override { return ticks; }
};

// Installs a fake clock for the life of the object.
class ClockScope {
 public:
  ClockScope() { platform::SetClock(&clock); }
  ~ClockScope() { platform::SetClock(nullptr); }
  FakeClock clock;
};

using testing_support::MakeVek;

// A text field as the caller sees it: the bytes up to the first NUL, at most the field's width.
template <std::size_t N>
std::string Text(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

// The header information of the tests' estimate, as read from a file or from HeaderDt.ini: every field but
// AcceptNo, CarName and AgreedPassword, which the tests give values of their own.
inline void ExpectEstimateHeaderInfo(const HeaderInfo& h) {
  EXPECT_EQ(Text(h.GroupKey), "グループＡ");
  EXPECT_EQ(Text(h.SelfName), "株式会社　見積工房");
  EXPECT_EQ(Text(h.CustomerName), "山田　太郎");
  EXPECT_EQ(h.GarageInDate.Year, 2024);
  EXPECT_EQ(h.GarageInDate.Month, 5);
  EXPECT_EQ(h.GarageInDate.Day, 1);
  EXPECT_EQ(h.GarageOutDate.Day, 20);
  EXPECT_EQ(h.Progress, 3);
  EXPECT_EQ(h.ImageCount, 12);
  EXPECT_EQ(h.CreatedDate.Month, 4);
  EXPECT_EQ(h.CreatedDate.Day, 30);
  EXPECT_EQ(h.PartsPriceTotal, 123456.5);
  EXPECT_EQ(h.WageTotal, 7890.25);
  EXPECT_EQ(h.PaintTotal, 4321.0);
  EXPECT_EQ(h.CostTotal, 99.75);
  EXPECT_EQ(h.Total, 135767.5);
  EXPECT_EQ(h.RCParts, 1);
  EXPECT_EQ(h.TaxKind, 2);
  EXPECT_EQ(h.History, 5);
  EXPECT_EQ(h.Agreed, 1);
  EXPECT_EQ(Text(h.CarNoDepartment), "品川");
  EXPECT_EQ(Text(h.CarNoDivision), "３３０");
  EXPECT_EQ(Text(h.CarNoBusiness), "あ");
  EXPECT_EQ(Text(h.CarNoSerial), "１２－３４");
  EXPECT_EQ(Text(h.ai21_OrderNo), "ORD001");
  EXPECT_EQ(h.ai21_AdoptedDate.Year, 2024);
  EXPECT_EQ(h.ai21_AdoptedDate.Month, 6);
  EXPECT_EQ(h.ai21_AdoptedDate.Day, 2);
}

}  // namespace dorvik_test
