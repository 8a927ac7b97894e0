#include "CTamselPropPage.h"

#include "ControlModule.h"

namespace tamsel {

int CTamselPropPage::TemplateId() const { return controls::PropPageTemplate().id; }

}  // namespace tamsel
