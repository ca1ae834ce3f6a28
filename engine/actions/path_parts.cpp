#include "engine/actions/path_parts.h"

namespace ob::engine {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// One pass over the text: a doubled separator of the same kind that starts after
// the first character becomes a single one.
std::string CollapseDoubledSeparators(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        out.push_back(c);
        if (i > 0 && IsSeparator(c) && i + 1 < path.size() && path[i + 1] == c) {
            ++i; // drop the second of the pair
        }
    }
    return out;
}

} // namespace

PathParts SplitPathParts(std::string_view text) {
    PathParts parts;
    const std::string path = CollapseDoubledSeparators(text);
    if (path.size() >= kMaxSplitPath) {
        return parts;
    }
    std::string_view rest(path);
    if (rest.size() >= 2 && rest[1] == ':') {
        parts.drive.assign(rest.substr(0, 2));
        rest.remove_prefix(2);
    }
    const std::size_t slash = rest.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        parts.dir.assign(rest.substr(0, slash + 1));
        rest.remove_prefix(slash + 1);
    }
    const std::size_t dot = rest.rfind('.');
    if (dot != std::string_view::npos) {
        parts.ext.assign(rest.substr(dot));
        rest = rest.substr(0, dot);
    }
    parts.fname.assign(rest);
    return parts;
}

} // namespace ob::engine
