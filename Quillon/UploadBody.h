// The request bodies of the two registration steps. A body that does not fit in memory fails with message 1002.
#pragma once

#include <string>
#include <string_view>

#include "MultipartPart.h"
#include "UploadError.h"
#include "UploadInputs.h"
#include "UploadProgress.h"
#include "UploadSet.h"

namespace quillon {

// Step 1: writes the record file, adds twice its size to counters.total (it is sent in both steps), and builds
// the session's text parts, the record's part and the closing line into postData. A session id that would name
// a file outside the staging folder fails with message 1012 (bad path) before anything is touched.
// Both steps frame their parts with boundary while no part holds it, else with one that none holds
// (SettleBoundary): *usedBoundary, when given, is the one the request must name.
BuildResult BuildStep1Body(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                           UploadCounters& counters, UploadPump pump, RequestBody& postData, UploadError& error,
                           std::string* usedBoundary = nullptr);

// Step 2: the estimate files ("EstimateFile1".."n"), the new photos ("ImageFile" + the row number, so
// registered rows leave gaps), the session's text parts, the record file written by step 1 and the closing
// line. The first file that cannot be read fails the build.
BuildResult BuildStep2Body(const UploadInputs& inputs, const UploadSet& set, std::string_view boundary,
                           UploadCounters& counters, UploadPump pump, RequestBody& postData, UploadError& error,
                           std::string* usedBoundary = nullptr);

}  // namespace quillon
