// The control's property page: dialog 200, captioned "全般", without controls or data of its own.
#pragma once

#include "platform/com/module.h"
#include "platform/com/object.h"

namespace tamsel {

class CTamselPropPage final : public platform::com::ComObject<CTamselPropPage, platform::com::IUnknown> {
 public:
  explicit CTamselPropPage(platform::com::Module& module) : lock_(module) {}
  int TemplateId() const;

 private:
  platform::com::ModuleLock lock_;
};

}  // namespace tamsel
