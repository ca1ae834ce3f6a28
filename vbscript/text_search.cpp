#include "vbscript/text_search.h"

#include "vbscript/letter_case.h"
#include "vbscript/utf8_text.h"

#include "platform/text/ascii_case.h"

#include <string>

namespace ob::vbscript {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool HasRawBytes(std::string_view text) {
    if (utf8::IsAscii(text)) {
        return false;
    }
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = utf8::Next(text, pos);
        if (c >= 0xDC80 && c <= 0xDCFF) {
            return true;
        }
    }
    return false;
}

// A byte search is exact when both sides are ASCII, and in binary mode whenever
// the searched-for text is valid UTF-8: its first byte is never a continuation
// byte, so every byte match starts (and therefore ends) on a character boundary.
bool BytesSuffice(std::string_view text, std::string_view what, CompareMode mode) {
    if (mode == CompareMode::Binary) {
        return !HasRawBytes(what);
    }
    return utf8::IsAscii(text) && utf8::IsAscii(what);
}

bool AsciiMatchAt(std::string_view text, std::string_view what, std::size_t at, CompareMode mode) {
    const std::string_view piece = text.substr(at, what.size());
    return mode == CompareMode::Binary ? piece == what : text::EqualsIgnoringCase(piece, what);
}

std::u32string Characters(std::string_view text, CompareMode mode) {
    std::u32string out = utf8::Decode(text);
    if (mode == CompareMode::Text) {
        for (char32_t& c : out) {
            c = LowerLetter(c);
        }
    }
    return out;
}

// The end of a match of `what` (decoded, folded in text mode) at byte `at`, or kNone.
std::size_t CharMatchAt(std::string_view text, std::size_t at, const std::u32string& what,
                        CompareMode mode) {
    std::size_t pos = at;
    for (const char32_t wanted : what) {
        if (pos >= text.size()) {
            return kNone;
        }
        char32_t c = utf8::Next(text, pos);
        if (mode == CompareMode::Text) {
            c = LowerLetter(c);
        }
        if (c != wanted) {
            return kNone;
        }
    }
    return pos;
}

void Advance(std::string_view text, std::size_t& pos) {
    utf8::Next(text, pos);
}

} // namespace

TextMatch FindText(std::string_view text, std::string_view what, std::size_t from,
                   CompareMode mode) {
    if (from > text.size()) {
        return {};
    }
    if (BytesSuffice(text, what, mode)) {
        if (mode == CompareMode::Binary) {
            const std::size_t at = text.find(what, from);
            return at == kNone ? TextMatch{} : TextMatch{at, at + what.size()};
        }
        for (std::size_t i = from; i + what.size() <= text.size(); ++i) {
            if (AsciiMatchAt(text, what, i, mode)) {
                return {i, i + what.size()};
            }
        }
        return {};
    }
    const std::u32string wanted = Characters(what, mode);
    for (std::size_t at = from;; Advance(text, at)) {
        const std::size_t end = CharMatchAt(text, at, wanted, mode);
        if (end != kNone) {
            return {at, end};
        }
        if (at >= text.size()) {
            return {};
        }
    }
}

TextMatch FindLastText(std::string_view text, std::string_view what, std::size_t before,
                       CompareMode mode) {
    before = std::min(before, text.size());
    if (BytesSuffice(text, what, mode)) {
        if (what.size() > before) {
            return {};
        }
        for (std::size_t i = before - what.size() + 1; i-- > 0;) {
            if (AsciiMatchAt(text, what, i, mode)) {
                return {i, i + what.size()};
            }
        }
        return {};
    }
    // Character boundaries are only known walking forwards: keep the last match.
    const std::u32string wanted = Characters(what, mode);
    TextMatch last;
    for (std::size_t at = 0; at <= before; Advance(text, at)) {
        const std::size_t end = CharMatchAt(text, at, wanted, mode);
        if (end != kNone && end <= before) {
            last = {at, end};
        }
        if (at >= text.size()) {
            break;
        }
    }
    return last;
}

int CompareTexts(std::string_view a, std::string_view b, CompareMode mode) {
    if (mode == CompareMode::Binary || (utf8::IsAscii(a) && utf8::IsAscii(b))) {
        return CompareText(a, b, mode);
    }
    const std::u32string x = Characters(a, mode);
    const std::u32string y = Characters(b, mode);
    const int order = x.compare(y);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace ob::vbscript
