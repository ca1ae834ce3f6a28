// Base64: the RFC 4648 vectors both ways, MIME line splitting, and the texts
// decoding refuses.
#include "platform/text/base64.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace ob::test {
namespace {

TEST(Base64Test, EncodesAndDecodesTheStandardVectors) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\0\xff\xfe\x80", 4), "AP/+gA=="},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(text::Base64Encode(bytes), text) << text;
        EXPECT_EQ(text::Base64Decode(text), bytes) << text;
    }
}

TEST(Base64Test, LinesHoldAtMostTheLengthAskedFor) {
    std::string bytes;
    for (int i = 0; i < 200; ++i) {
        bytes += static_cast<char>(i * 7);
    }
    std::string lines;
    text::AppendBase64Lines(bytes, 76, "\n", lines);
    std::size_t count = 0;
    for (std::size_t start = 0; start < lines.size(); ++count) {
        const std::size_t end = lines.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 76u);
        start = end + 1;
    }
    EXPECT_EQ(count, 4u) << "200 bytes are 268 characters: three full lines and one of 40";
    EXPECT_EQ(text::Base64Decode(lines), bytes);
    std::string none;
    text::AppendBase64Lines("", 76, "\n", none);
    EXPECT_EQ(none, "");
}

TEST(Base64Test, DecodingSkipsBlanksAndRefusesMalformedText) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"Zm9v\r\nYmFy", "foobar"}, {" Zm 9v\tYg= =", "foob"},
        {"Zm9vYg", "foob"}, // padding may be left out
        {"Zm9vY", std::nullopt},    {"Zm9v!mFy", std::nullopt},
        {"Zg==Zg==", std::nullopt}, {"Zg===", std::nullopt},
        {"=Zg=", std::nullopt},     {"Zm9=v", std::nullopt},
        {"Zm-_", std::nullopt}, // the URL alphabet is another one
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(text::Base64Decode(text), bytes) << text;
    }
}

} // namespace
} // namespace ob::test
