#include "URC_GlobalData.h"

#include <cstring>

namespace hestrel {

void TVekFileRecCtrl::ClearHeaderData(HeaderData& record) { std::memset(&record, 0, sizeof record); }

void TVekFileRecCtrl::ClearHeaderInfo(HeaderInfo& record) { std::memset(&record, 0, sizeof record); }

}  // namespace hestrel
