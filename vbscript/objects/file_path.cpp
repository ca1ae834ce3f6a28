#include "vbscript/objects/file_path.h"

#include <filesystem>
#include <system_error>

namespace ob::vbscript::objects {
namespace {

std::string_view WithoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

} // namespace

std::string FullPath(std::string_view path) {
    std::filesystem::path p(path);
    if (p.is_relative()) {
        std::error_code ignored;
        p = std::filesystem::current_path(ignored) / p;
    }
    std::string text = p.lexically_normal().string();
    return std::string(WithoutTrailingSlashes(text));
}

std::string PathName(std::string_view path) {
    path = WithoutTrailingSlashes(path);
    if (path == "/") {
        return {};
    }
    const std::size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ParentPath(std::string_view path) {
    path = WithoutTrailingSlashes(path);
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos || path == "/") {
        return {};
    }
    return std::string(WithoutTrailingSlashes(path.substr(0, slash == 0 ? 1 : slash)));
}

std::string BaseName(std::string_view path) {
    const std::string name = PathName(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ExtensionName(std::string_view path) {
    const std::string name = PathName(path);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) {
        return std::string(name);
    }
    if (name.empty()) {
        return std::string(folder);
    }
    std::string out(folder);
    while (out.size() > 1 && out.back() == '/') {
        out.pop_back();
    }
    std::size_t skip = 0;
    while (skip < name.size() && name[skip] == '/') {
        ++skip;
    }
    if (out.back() != '/') {
        out += '/';
    }
    out.append(name.substr(skip));
    return out;
}

bool HasWildcard(std::string_view path) {
    return PathName(path).find_first_of("*?") != std::string::npos;
}

} // namespace ob::vbscript::objects
