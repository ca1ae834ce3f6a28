// The dashboard's pages, style sheet and script, built into the program from
// web/assets (embed_assets.cmake writes the bytes). Any thread.
#pragma once

#include <string_view>
#include <vector>

namespace ob::web {

struct Asset {
    std::string_view name; ///< file name, "jobs.html"
    std::string_view bytes;
};

/// Every embedded file.
const std::vector<Asset>& Assets();

/// The file named `name`, or null.
const Asset* FindAsset(std::string_view name);

/// The media type for a file name's extension ("text/html; charset=utf-8" ...).
std::string_view ContentType(std::string_view name);

} // namespace ob::web
