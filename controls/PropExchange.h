// The property exchange of a control: its PARAM values, read once when the host loads it.
#pragma once

#include <functional>
#include <string>

namespace controls {

class PropExchange {
 public:
  // Gives the host's value of a PARAM (names without regard to ASCII case); false when the host has none.
  using Reader = std::function<bool(const std::string& name, std::string& value)>;

  // A reset exchange (no reader): every value reads as its default.
  explicit PropExchange(Reader reader = {}) : reader_(std::move(reader)) {}

  // value = the host's value of name, else defaultValue.
  void String(const std::string& name, std::string& value, const std::string& defaultValue = {}) const {
    if (!reader_ || !reader_(name, value)) value = defaultValue;
  }

 private:
  Reader reader_;
};

}  // namespace controls
