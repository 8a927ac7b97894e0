// Local time with milliseconds, sleeping, and conversions between local time, file times and DOS date/time.
// The clock and sleep are injectable so that tests of retries and time-stamped names do not wait.
#pragma once

#include <cstdint>

namespace platform {

struct LocalTime {
  int year = 0;   // four digits
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int dayOfWeek = 0;  // 0 = Sunday
};

// A point in time as the file system keeps it: seconds and nanoseconds since 1970 (UTC).
struct FileTime {
  std::int64_t seconds = 0;
  std::int32_t nanoseconds = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual bool Now(LocalTime& out) = 0;  // false: the time cannot be read
  virtual void Sleep(unsigned milliseconds) = 0;
  virtual std::uint64_t TickMilliseconds() = 0;  // monotonic
};

// The clock every part of the system uses; nullptr restores the real one.
void SetClock(Clock* clock);
Clock& CurrentClock();

inline bool Now(LocalTime& out) { return CurrentClock().Now(out); }
inline void Sleep(unsigned milliseconds) { CurrentClock().Sleep(milliseconds); }
inline std::uint64_t TickMilliseconds() { return CurrentClock().TickMilliseconds(); }

// Local time (the process's time zone) <-> file time, by the zone's rules as they were last loaded. A local time
// that is no day of the calendar or no time of day (month 13, 30 February, hour 24, second 60) does not convert;
// one that a change to summer time skips is taken as the time that many minutes after the change.
bool LocalToFileTime(const LocalTime& local, FileTime& out);
bool FileTimeToLocal(const FileTime& time, LocalTime& out);
// Loads the time zone's rules again (the TZ variable, else the system's zone), as they are read once otherwise:
// an operation that converts many times calls it once at its start.
void LoadLocalTimeRules();

// DOS date (bits 15-9 year-1980, 8-5 month, 4-0 day) and time (15-11 hour, 10-5 minute, 4-0 second/2).
bool LocalToDos(const LocalTime& local, std::uint16_t& dosDate, std::uint16_t& dosTime);
// The fields as the DOS date and time hold them, unchecked (month 0, 13 to 15, hour 24 to 31 and so on can come out).
LocalTime DosToLocal(std::uint16_t dosDate, std::uint16_t dosTime);

}  // namespace platform
