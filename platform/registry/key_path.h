// Key paths of the settings store: back-slash separated names below a root.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ob::registry::detail {

/// The names of a path, in order. Empty names (leading, trailing or doubled back
/// slashes) are skipped, so "Software\\Obrenta\\" and "Software\\Obrenta" are the
/// same key.
std::vector<std::string> SplitKeyPath(std::string_view path);

/// Names [from, end) joined with back slashes.
std::string JoinKeyPath(const std::vector<std::string>& names, std::size_t from = 0);

} // namespace ob::registry::detail
