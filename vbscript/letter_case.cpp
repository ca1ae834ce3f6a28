#include "vbscript/letter_case.h"

#include "vbscript/utf8_text.h"

namespace ob::vbscript {
namespace {

bool InRange(char32_t c, char32_t first, char32_t last) {
    return c >= first && c <= last;
}

// Blocks where upper and lower case alternate: the upper-case letter is at the
// even (or, with oddUpper, the odd) code point and its lower case follows it.
struct PairedBlock {
    char32_t first;
    char32_t last;
    bool oddUpper;
};

constexpr PairedBlock kPairedBlocks[] = {
    {0x0100, 0x012F, false}, {0x0132, 0x0137, false}, {0x0139, 0x0148, true},
    {0x014A, 0x0177, false}, {0x0179, 0x017E, true},  {0x0460, 0x0481, false},
    {0x048A, 0x04BF, false}, {0x04C1, 0x04CE, true},  {0x04D0, 0x052F, false},
};

const PairedBlock* FindPairedBlock(char32_t c) {
    for (const PairedBlock& block : kPairedBlocks) {
        if (InRange(c, block.first, block.last)) {
            return &block;
        }
    }
    return nullptr;
}

bool IsUpperOfPair(const PairedBlock& block, char32_t c) {
    return ((c & 1) != 0) == block.oddUpper;
}

// Greek letters with accents whose cases are not a fixed distance apart.
struct CasePair {
    char32_t upper;
    char32_t lower;
};
constexpr CasePair kSingles[] = {
    {0x0178, 0x00FF}, // Y with diaeresis: upper case outside Latin-1
    {0x0386, 0x03AC}, {0x0388, 0x03AD}, {0x0389, 0x03AE}, {0x038A, 0x03AF},
    {0x038C, 0x03CC}, {0x038E, 0x03CD}, {0x038F, 0x03CE}, {0x04C0, 0x04CF},
};

template <typename Range> char32_t FromSingles(char32_t c, bool toUpper, const Range& pairs) {
    for (const CasePair& pair : pairs) {
        if (toUpper && c == pair.lower) {
            return pair.upper;
        }
        if (!toUpper && c == pair.upper) {
            return pair.lower;
        }
    }
    return c;
}

template <char32_t (*Fold)(char32_t)> std::string FoldText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    if (utf8::IsAscii(text)) {
        for (const char c : text) {
            out.push_back(static_cast<char>(Fold(static_cast<unsigned char>(c))));
        }
        return out;
    }
    for (std::size_t pos = 0; pos < text.size();) {
        utf8::Append(out, Fold(utf8::Next(text, pos)));
    }
    return out;
}

} // namespace

char32_t UpperLetter(char32_t c) {
    if (InRange(c, 'a', 'z')) {
        return c - 0x20;
    }
    if (c < 0x80) {
        return c;
    }
    if (InRange(c, 0xE0, 0xFE) && c != 0xF7) { // Latin-1 (not the division sign)
        return c - 0x20;
    }
    if (c == 0x0131) { // dotless i
        return 'I';
    }
    if (c == 0x017F) { // long s
        return 'S';
    }
    if (InRange(c, 0x03B1, 0x03CB)) { // Greek; final sigma is a sigma
        return c == 0x03C2 ? 0x03A3 : c - 0x20;
    }
    if (InRange(c, 0x0430, 0x044F)) { // basic Cyrillic
        return c - 0x20;
    }
    if (InRange(c, 0x0450, 0x045F)) {
        return c - 0x50;
    }
    if (const PairedBlock* block = FindPairedBlock(c)) {
        return IsUpperOfPair(*block, c) ? c : c - 1;
    }
    return FromSingles(c, true, kSingles);
}

char32_t LowerLetter(char32_t c) {
    if (InRange(c, 'A', 'Z')) {
        return c + 0x20;
    }
    if (c < 0x80) {
        return c;
    }
    if (InRange(c, 0xC0, 0xDE) && c != 0xD7) { // Latin-1 (not the multiplication sign)
        return c + 0x20;
    }
    if (c == 0x0130) { // capital I with dot
        return 'i';
    }
    if (InRange(c, 0x0391, 0x03AB) && c != 0x03A2) {
        return c + 0x20;
    }
    if (InRange(c, 0x0410, 0x042F)) {
        return c + 0x20;
    }
    if (InRange(c, 0x0400, 0x040F)) {
        return c + 0x50;
    }
    if (const PairedBlock* block = FindPairedBlock(c)) {
        if (!IsUpperOfPair(*block, c)) {
            return c;
        }
        // The last upper-case letter of a block has its lower case inside it.
        return c + 1 <= block->last ? c + 1 : c;
    }
    return FromSingles(c, false, kSingles);
}

std::string UpperCaseText(std::string_view text) {
    return FoldText<UpperLetter>(text);
}

std::string LowerCaseText(std::string_view text) {
    return FoldText<LowerLetter>(text);
}

} // namespace ob::vbscript
