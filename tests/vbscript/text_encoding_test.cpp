// The UTF-16LE encoding of text files: encoding UTF-8 texts (surrogate pairs,
// invalid bytes), decoding in pieces split anywhere (half code units, split
// surrogate pairs, unpaired surrogates, an odd trailing byte) and telling formats
// apart by their byte order marks.
#include "vbscript/objects/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace ob::vbscript::objects;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out.push_back(static_cast<char>(v));
    }
    return out;
}

TEST(TextEncoding, EncodesUtf8AsUtf16Le) {
    struct Case {
        const char* name;
        std::string utf8;
        std::string utf16;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ASCII", "Ab\r\n", Bytes({'A', 0, 'b', 0, '\r', 0, '\n', 0})},
        {"two-byte UTF-8", "\xC3\xA9", Bytes({0xE9, 0x00})},
        {"three-byte UTF-8", "\xE2\x82\xAC", Bytes({0xAC, 0x20})},
        {"NUL character", std::string(1, '\0'), Bytes({0, 0})},
        {"above U+FFFF becomes a surrogate pair", "\xF0\x9F\x98\x80",
         Bytes({0x3D, 0xD8, 0x00, 0xDE})},
        {"highest code point", "\xF4\x8F\xBF\xBF", Bytes({0xFF, 0xDB, 0xFF, 0xDF})},
        {"an invalid byte becomes U+FFFD",
         "a\xFF"
         "b",
         Bytes({'a', 0, 0xFD, 0xFF, 'b', 0})},
        {"an encoded surrogate becomes U+FFFD", "\xED\xA0\x80",
         Bytes({0xFD, 0xFF, 0xFD, 0xFF, 0xFD, 0xFF})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeUtf16Le(c.utf8), c.utf16) << c.name;
    }
}

TEST(TextEncoding, DecodesUtf16LeSplitAnywhere) {
    struct Case {
        const char* name;
        std::string utf16;
        std::string utf8;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"ASCII with CRLF", Bytes({'h', 0, 'i', 0, '\r', 0, '\n', 0}), "hi\r\n"},
        {"BMP characters", Bytes({0xE9, 0x00, 0xAC, 0x20}), "\xC3\xA9\xE2\x82\xAC"},
        {"surrogate pair", Bytes({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},
        {"lone low surrogate", Bytes({0x00, 0xDC, 'x', 0}), "\xEF\xBF\xBDx"},
        {"lone low surrogate of the invalid-byte range", Bytes({0x80, 0xDC}), "\xEF\xBF\xBD"},
        {"high surrogate then a letter", Bytes({0x3D, 0xD8, 'x', 0}), "\xEF\xBF\xBDx"},
        {"two high surrogates then a low one", Bytes({0x3D, 0xD8, 0x3D, 0xD8, 0x00, 0xDE}),
         "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"high surrogate at the end", Bytes({'a', 0, 0x3D, 0xD8}), "a\xEF\xBF\xBD"},
        {"odd trailing byte", Bytes({'a', 0, 'b'}), "a\xEF\xBF\xBD"},
        {"NUL character", Bytes({0, 0}), std::string(1, '\0')},
    };
    for (const Case& c : cases) {
        // Whole, and cut in two at every position (the decoder keeps what a
        // piece leaves unfinished).
        for (std::size_t cut = 0; cut <= c.utf16.size(); ++cut) {
            Utf16LeDecoder decoder;
            std::string out;
            decoder.Decode(std::string_view(c.utf16).substr(0, cut), out);
            decoder.Decode(std::string_view(c.utf16).substr(cut), out);
            decoder.Finish(out);
            EXPECT_EQ(out, c.utf8) << c.name << ", cut at " << cut;
        }
        // One byte at a time.
        Utf16LeDecoder decoder;
        std::string out;
        for (char b : c.utf16) {
            decoder.Decode(std::string_view(&b, 1), out);
        }
        decoder.Finish(out);
        EXPECT_EQ(out, c.utf8) << c.name << ", byte by byte";
    }
}

TEST(TextEncoding, RoundTripsEveryPlane) {
    std::string text;
    for (char32_t c : {U'A', U'\u00FF', U'\u0800', U'\uD7FF', U'\uE000', U'\uFFFD', U'\U00010000',
                       U'\U0010FFFF'}) {
        std::string utf8;
        // UTF-8 by hand, so the test does not lean on the code under test.
        if (c < 0x80) {
            utf8 = std::string(1, static_cast<char>(c));
        } else if (c < 0x800) {
            utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            utf8 = {static_cast<char>(0xE0 | (c >> 12)),
                    static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            utf8 = {
                static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
        }
        text += utf8;
    }
    Utf16LeDecoder decoder;
    std::string back;
    decoder.Decode(EncodeUtf16Le(text), back);
    decoder.Finish(back);
    EXPECT_EQ(back, text);
}

TEST(TextEncoding, DetectsByteOrderMarks) {
    struct Case {
        const char* name;
        std::string head;
        TextFormat format;
        std::size_t bomLength;
    };
    const Case cases[] = {
        {"UTF-16LE mark", Bytes({0xFF, 0xFE, 'a', 0}), TextFormat::Utf16Le, 2},
        {"UTF-16LE mark alone", Bytes({0xFF, 0xFE}), TextFormat::Utf16Le, 2},
        {"UTF-8 mark", Bytes({0xEF, 0xBB, 0xBF, 'a'}), TextFormat::Utf8, 3},
        {"UTF-8 mark cut short", Bytes({0xEF, 0xBB}), TextFormat::Utf8, 0},
        {"UTF-16BE mark is not ours", Bytes({0xFE, 0xFF, 0, 'a'}), TextFormat::Utf8, 0},
        {"one 0xFF byte", Bytes({0xFF}), TextFormat::Utf8, 0},
        {"plain text", "abc", TextFormat::Utf8, 0},
        {"empty", "", TextFormat::Utf8, 0},
    };
    for (const Case& c : cases) {
        const DetectedFormat detected = DetectFormat(c.head);
        EXPECT_EQ(detected.format, c.format) << c.name;
        EXPECT_EQ(detected.bomLength, c.bomLength) << c.name;
    }
}

} // namespace
