// Reading one cookie from a request's Cookie header ("a=1; b=2"). Any thread.
#pragma once

#include <string>
#include <string_view>

namespace ob::web {

/// The value of the first cookie called `name` in `header`, or "" when there is none.
std::string CookieValue(std::string_view header, std::string_view name);

} // namespace ob::web
