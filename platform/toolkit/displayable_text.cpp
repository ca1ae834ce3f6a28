#include "platform/toolkit/displayable_text.h"

#include <glib.h>

#include <algorithm>

namespace ob::toolkit {
namespace {

constexpr std::string_view kReplacement = "\xef\xbf\xbd";
constexpr std::string_view kEllipsis = "\xe2\x80\xa6";

void AppendValid(std::string& out, std::string_view piece) {
    gchar* valid = g_utf8_make_valid(piece.data(), static_cast<gssize>(piece.size()));
    out += valid;
    g_free(valid);
}

} // namespace

std::string DisplayableText(std::string_view text, std::size_t maxBytes) {
    // A little more than the limit, so that the last character is whole.
    const std::string_view limited = text.substr(0, maxBytes + 4);
    std::string out;
    // GLib takes NUL for valid UTF-8, but a label would end there.
    for (std::size_t start = 0;;) {
        const std::size_t nul = limited.find('\0', start);
        AppendValid(out, limited.substr(start, nul == std::string_view::npos ? nul : nul - start));
        if (nul == std::string_view::npos) {
            break;
        }
        out += kReplacement;
        start = nul + 1;
    }
    if (out.size() <= maxBytes && text.size() <= limited.size()) {
        return out;
    }
    const gchar* start = out.c_str();
    const gchar* cut = start + std::min(maxBytes, out.size());
    if ((static_cast<unsigned char>(*cut) & 0xC0) == 0x80) {
        cut = g_utf8_find_prev_char(start, cut);
    }
    return out.substr(0, static_cast<std::size_t>(cut - start)).append(kEllipsis);
}

} // namespace ob::toolkit
