#include "CTamselPropPage.h"

#include "TamselResources.h"

namespace tamsel {

int CTamselPropPage::TemplateId() const { return TamselPropPageTemplate().id; }

}  // namespace tamsel
