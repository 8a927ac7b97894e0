// Filling the caller's error record.
#pragma once

#include "cabinet/cabinet_types.h"

namespace cabinet {

// Records a failure with its code and the runtime's error number; gives false.
inline bool SetError(ERF* erf, int code, int err = 0) {
  if (erf) {
    erf->erfOper = code;
    erf->erfType = err;
    erf->fError = 1;
  }
  return false;
}

}  // namespace cabinet
