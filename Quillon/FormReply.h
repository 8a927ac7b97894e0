// What the photo-list form makes of its browser's reply pages and failed navigations: the text of the
// control's fatal-error display, or nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// The fatal text a reply page's markers call for, tested in their order (the first that matches decides);
// none for a page without them.
std::optional<std::string> FormReplyMessage(std::string_view bodyText);

// The fatal text of a failed navigation to url with status: none for 200; message 1015 with the status in
// hexadecimal for a negative (system) code, else message 1014 with it in decimal.
std::optional<std::string> FormNavigateErrorMessage(const std::string& url, std::int32_t status);

}  // namespace quillon
