// Unpacking through the FDI entry points into a destination folder, with callbacks over the platform
// layer that record the notifications and fail on request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cabinet/fdi.h"

namespace cabtest {

struct Notified {
  FDINOTIFICATIONTYPE type;
  std::string psz1, psz2;
  long cb;
  std::uint16_t date, time, attribs;
};

class FdiRun {
 public:
  explicit FdiRun(const std::string& destination);  // CP932, "/" at the end
  ~FdiRun();

  // Creates a context, copies folder + name, destroys the context.
  bool Copy(const std::string& folder, const std::string& name);
  // Whether the file is a cabinet (fills info).
  bool IsCabinet(const std::string& path, FDICABINETINFO& info);

  ERF erf{};
  std::string destination;
  std::vector<Notified> notified;
  int count(FDINOTIFICATIONTYPE type) const;

  // Faults.
  bool skipAll = false;          // COPY_FILE answers 0
  bool refuseClose = false;      // CLOSE_FILE_INFO answers FALSE
  bool refuseNext = false;       // NEXT_CABINET answers -1
  int failTargetWrite = 0;       // the Nth write to a target fails
  int opens = 0, closes = 0, targetWrites = 0;
};

}  // namespace cabtest
