#include "CQuillonPropPage.h"

#include "ControlModule.h"

namespace quillon {

int CQuillonPropPage::TemplateId() const { return controls::PropPageTemplate().id; }

}  // namespace quillon
