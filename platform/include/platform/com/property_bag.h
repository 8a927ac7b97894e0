// Loading an object's configuration from named text values: the host's PARAM values of a page.
//
// The host fills a PropertyBag and hands it to the object's IPersistPropertyBag::Load (or calls InitNew when it
// has none); the object reads each value it wants by name.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/object.h"

namespace platform::com {

class IPropertyBag : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{55272A00-42CB-11CE-8135-00AA004BB851}");
  using Interface = IPropertyBag;

  // The value of a name (without regard to ASCII case) as CP932 text; E_INVALIDARG when the bag holds none
  // (value untouched), E_POINTER for a null value.
  virtual HRESULT Read(std::string_view name, std::string* value) = 0;
};

class IPersistPropertyBag : public IUnknown {
 public:
  static constexpr IID kIid = MakeGuid("{37D84F60-42CB-11CE-8135-00AA004BB851}");
  using Interface = IPersistPropertyBag;

  // Starts from the defaults, without a bag.
  virtual HRESULT InitNew() = 0;
  // Reads the values from the bag; E_POINTER for a null bag.
  virtual HRESULT Load(IPropertyBag* bag) = 0;
};

inline constexpr const IID& IID_IPropertyBag = IPropertyBag::kIid;
inline constexpr const IID& IID_IPersistPropertyBag = IPersistPropertyBag::kIid;

// A bag of values held in memory, in the order they were set; it remembers the names it was asked for.
class PropertyBag final : public ComObject<PropertyBag, IPropertyBag> {
 public:
  // Sets a value; a name already there (without regard to case) keeps its place and takes the new value.
  void Set(std::string_view name, std::string_view value);
  HRESULT Read(std::string_view name, std::string* value) override;

  const std::vector<std::pair<std::string, std::string>>& Values() const { return values_; }
  // Every name Read was asked for, in order, as asked (found or not).
  const std::vector<std::string>& Reads() const { return reads_; }

 private:
  std::vector<std::pair<std::string, std::string>> values_;
  std::vector<std::string> reads_;
};

}  // namespace platform::com
