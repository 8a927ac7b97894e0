#include "platform/clock.h"

#include <time.h>

#include <algorithm>
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

// Days from 1970-01-01 to a day of the Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The zone's offset from UTC in seconds at a moment.
long OffsetAt(time_t moment) {
  tm t{};
  return localtime_r(&moment, &t) ? t.tm_gmtoff : 0;
}

}  // namespace

// Worked out from the offsets that localtime_r gives, which reads the rules once, where mktime would look at the
// system's zone file again for every conversion.
bool LocalToFileTime(const LocalTime& local, FileTime& out) {
  if (!IsCalendarTime(local)) return false;
  const std::int64_t asUtc = DaysFromCivil(local.year, local.month, local.day) * 86400 + local.hour * 3600 +
                             local.minute * 60 + local.second;
  // The offset at the moment meant: from a first guess, then from the moment that guess gives, which near a
  // change of offset may hold the other one. Where the two keep taking turns the time lies in an hour that the
  // change skips, and the offset from before the change (the smaller) is kept: the time reads as that far
  // after the change.
  long offset = OffsetAt(static_cast<time_t>(asUtc));
  const long next = OffsetAt(static_cast<time_t>(asUtc - offset));
  if (next != offset) {
    const long third = OffsetAt(static_cast<time_t>(asUtc - next));
    offset = third == next ? next : std::min(offset, next);
  }
  out.seconds = asUtc - offset;
  out.nanoseconds = local.millisecond * 1000000;
  return true;
}

void LoadLocalTimeRules() { tzset(); }

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
