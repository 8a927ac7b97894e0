#include "CQuillonPropPage.h"

#include "QuillonResources.h"

namespace quillon {

int CQuillonPropPage::TemplateId() const { return QuillonPropPageTemplate().id; }

}  // namespace quillon
