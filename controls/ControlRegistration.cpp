#include "ControlRegistration.h"

namespace controls {

std::vector<platform::com::GUID> SafeControlCategories() {
  return {kCatidSafeForInitializing, kCatidSafeForScripting};
}

std::vector<platform::com::ComponentCategory> SafeControlCategoryDescriptions() {
  return {{kCatidSafeForInitializing, "Controls safely initializable from persistent data!"},
          {kCatidSafeForScripting, "Controls safely scriptable!"}};
}

}  // namespace controls
