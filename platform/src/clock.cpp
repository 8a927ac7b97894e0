#include "platform/clock.h"

#include <time.h>

#include <thread>

namespace platform {

namespace {

class SystemClock : public Clock {
 public:
  bool Now(LocalTime& out) override {
    timespec ts{};
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0) return false;
    FileTime t{ts.tv_sec, static_cast<std::int32_t>(ts.tv_nsec)};
    return FileTimeToLocal(t, out);
  }
  void Sleep(unsigned milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  std::uint64_t TickMilliseconds() override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
};

SystemClock g_systemClock;
Clock* g_clock = nullptr;

}  // namespace

void SetClock(Clock* clock) { g_clock = clock; }

Clock& CurrentClock() { return g_clock ? *g_clock : g_systemClock; }

namespace {

// A day that the calendar has, and a time of day from 00:00:00 to 23:59:59 with its milliseconds: what the
// system's conversions take. Anything else (month 0 or 13, 30 February, hour 24) is refused, never carried over
// into the next field.
bool IsCalendarTime(const LocalTime& t) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.month < 1 || t.month > 12 || t.day < 1) return false;
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  const int days = kDays[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
  return t.day <= days && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
         t.second <= 59 && t.millisecond >= 0 && t.millisecond <= 999;
}

}  // namespace

bool LocalToFileTime(const LocalTime& local, FileTime& out) {
  if (!IsCalendarTime(local)) return false;
  tm t{};
  t.tm_year = local.year - 1900;
  t.tm_mon = local.month - 1;
  t.tm_mday = local.day;
  t.tm_hour = local.hour;
  t.tm_min = local.minute;
  t.tm_sec = local.second;
  t.tm_isdst = -1;
  time_t s = mktime(&t);
  if (s == static_cast<time_t>(-1) && !(local.year == 1969 || local.year == 1970)) return false;
  out.seconds = s;
  out.nanoseconds = local.millisecond * 1000000;
  return true;
}

bool FileTimeToLocal(const FileTime& time, LocalTime& out) {
  time_t s = static_cast<time_t>(time.seconds);
  tm t{};
  if (!localtime_r(&s, &t)) return false;
  out.year = t.tm_year + 1900;
  out.month = t.tm_mon + 1;
  out.day = t.tm_mday;
  out.hour = t.tm_hour;
  out.minute = t.tm_min;
  out.second = t.tm_sec;
  out.millisecond = time.nanoseconds / 1000000;
  out.dayOfWeek = t.tm_wday;
  return true;
}

bool LocalToDos(const LocalTime& local, std::uint16_t& dosDate, std::uint16_t& dosTime) {
  if (local.year < 1980 || local.year > 2107 || local.month < 1 || local.month > 12 || local.day < 1 ||
      local.day > 31 || local.hour < 0 || local.hour > 23 || local.minute < 0 || local.minute > 59 ||
      local.second < 0 || local.second > 59) {
    return false;
  }
  dosDate = static_cast<std::uint16_t>(((local.year - 1980) << 9) | (local.month << 5) | local.day);
  dosTime = static_cast<std::uint16_t>((local.hour << 11) | (local.minute << 5) | (local.second / 2));
  return true;
}

LocalTime DosToLocal(std::uint16_t dosDate, std::uint16_t dosTime) {
  LocalTime t;
  t.year = 1980 + (dosDate >> 9);
  t.month = (dosDate >> 5) & 0x0F;
  t.day = dosDate & 0x1F;
  t.hour = dosTime >> 11;
  t.minute = (dosTime >> 5) & 0x3F;
  t.second = (dosTime & 0x1F) * 2;
  return t;
}

}  // namespace platform
