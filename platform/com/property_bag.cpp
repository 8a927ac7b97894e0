#include "platform/com/property_bag.h"

#include <new>

#include "platform/text.h"

namespace platform::com {

void PropertyBag::Set(std::string_view name, std::string_view value) {
  for (auto& [n, v] : values_) {
    if (EqualsNoCaseAscii(n, name)) {
      v = std::string(value);
      return;
    }
  }
  values_.emplace_back(std::string(name), std::string(value));
}

HRESULT PropertyBag::Read(std::string_view name, std::string* value) {
  if (!value) return E_POINTER;
  try {
    reads_.emplace_back(name);
    for (const auto& [n, v] : values_) {
      if (EqualsNoCaseAscii(n, name)) {
        *value = v;
        return S_OK;
      }
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return E_INVALIDARG;
}

}  // namespace platform::com
