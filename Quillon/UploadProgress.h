// The byte counts of a registration and what building a body asks of its driver after every chunk it reads.
#pragma once

#include <cstdint>
#include <functional>

namespace quillon {

struct UploadCounters {
  std::uint64_t total = 0;  // bytes to read over both steps, at least 1
  std::uint64_t sent = 0;   // bytes read into bodies so far
};

// Called after every chunk of a file read into a body: setProgress with the new position (0-100), then
// pumpMessages, which dispatches all pending window messages and gives false when the control was destroyed
// meanwhile. The build then returns at once and touches neither its arguments nor the counters again.
struct UploadPump {
  std::function<void(int position)> setProgress;
  std::function<bool()> pumpMessages;
};

// Integer percentage of sent over total (64-bit, so large uploads do not wrap), at most 100.
inline int ProgressPosition(const UploadCounters& c) {
  if (c.total == 0) return 0;
  std::uint64_t percent = c.sent * 100 / c.total;
  return percent > 100 ? 100 : static_cast<int>(percent);
}

}  // namespace quillon
