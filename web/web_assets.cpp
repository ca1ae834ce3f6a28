#include "web/web_assets.h"

namespace ob::web {

const Asset* FindAsset(std::string_view name) {
    for (const Asset& asset : Assets()) {
        if (asset.name == name) {
            return &asset;
        }
    }
    return nullptr;
}

std::string_view ContentType(std::string_view name) {
    if (name.ends_with(".html")) {
        return "text/html; charset=utf-8";
    }
    if (name.ends_with(".css")) {
        return "text/css; charset=utf-8";
    }
    if (name.ends_with(".js")) {
        return "text/javascript; charset=utf-8";
    }
    return "application/octet-stream";
}

} // namespace ob::web
