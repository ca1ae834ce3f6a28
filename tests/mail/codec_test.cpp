// Base64, quoted-printable, encoded words, MD5, HMAC-MD5 and the log-on answers
// against the RFC vectors of data/vectors.txt.
#include "mail/digest.h"
#include "mail/encoded_words.h"
#include "mail/quoted_printable.h"
#include "mail/sasl.h"
#include "platform/text/base64.h"
#include "vector_file.h"

#include <gtest/gtest.h>

namespace {

using namespace ob::mail;
namespace text = ob::text;
using ob::test::LoadVectors;
using ob::test::VectorPath;

TEST(MailCodec, Base64MatchesRfc4648BothWays) {
    const auto vectors = LoadVectors(VectorPath(), "base64");
    ASSERT_EQ(vectors.size(), 10u);
    for (const auto& v : vectors) {
        EXPECT_EQ(text::Base64Encode(v["decoded"]), v["encoded"]) << v.id;
        EXPECT_EQ(text::Base64DecodeLenient(v["encoded"]), v["decoded"]) << v.id;
    }
}

TEST(MailCodec, Base64DecoderTakesTextSplitAnywhereWithLineBreaks) {
    std::string bytes;
    for (int i = 0; i < 300; ++i) {
        bytes += static_cast<char>(i * 7);
    }
    std::string encoded = text::Base64Encode(bytes);
    for (std::size_t at = 76; at < encoded.size(); at += 78) {
        encoded.insert(at, "\r\n");
    }
    for (std::size_t split = 0; split <= encoded.size(); split += 13) {
        text::Base64StreamDecoder decoder;
        std::string out;
        decoder.Feed(std::string_view(encoded).substr(0, split), out);
        decoder.Feed(std::string_view(encoded).substr(split), out);
        ASSERT_EQ(out, bytes) << "split at " << split;
    }
}

TEST(MailCodec, QuotedPrintableBodyLinesMatchRfc2045) {
    for (const auto& v : LoadVectors(VectorPath(), "quoted-printable")) {
        std::string out;
        std::string_view rest = v["encoded"];
        bool owed = false;
        while (true) {
            const auto end = rest.find("\r\n");
            if (owed) {
                out += "\r\n";
            }
            owed = DecodeQuotedPrintableLine(rest.substr(0, end), out);
            if (end == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(end + 2);
        }
        EXPECT_EQ(out, v["decoded"]) << v.id;
    }
}

TEST(MailCodec, QEncodingAndUpperCaseHexMatchTheRfcs) {
    for (const auto& v : LoadVectors(VectorPath(), "q-encoding")) {
        std::string out;
        DecodeQuoted(v["encoded"], QuotedStyle::EncodedWord, out);
        EXPECT_EQ(out, v["decoded"]) << v.id;
    }
    // Base16 pairs read after "=", as quoted-printable writes bytes.
    for (const auto& v : LoadVectors(VectorPath(), "base16")) {
        std::string quoted;
        for (std::size_t i = 0; i < v["encoded"].size(); i += 2) {
            quoted += "=" + v["encoded"].substr(i, 2);
        }
        std::string out;
        DecodeQuoted(quoted, QuotedStyle::Body, out);
        EXPECT_EQ(out, v["decoded"]) << v.id;
    }
}

TEST(MailCodec, EncodedWordsOfTheThreeCharsetsAreDecodedAndPadded) {
    const auto vectors = LoadVectors(VectorPath(), "rfc2047-header");
    ASSERT_EQ(vectors.size(), 7u);
    for (const auto& v : vectors) {
        // The expected line: each word of a known charset replaced by its bytes,
        // padded with blanks to the word's length; other words left alone.
        std::string expected = v["encoded"];
        std::size_t from = 0;
        for (int word = 1; v.Has("word" + std::to_string(word) + ".charset"); ++word) {
            const std::string prefix = "word" + std::to_string(word);
            const auto start = expected.find("=?", from);
            const auto close =
                expected.find("?=", expected.find('?', expected.find('?', start + 2) + 1) + 1);
            const std::size_t length = close + 2 - start;
            std::string charset = v[prefix + ".charset"];
            for (char& c : charset) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            if (charset == "iso-8859-1" || charset == "windows-1252" || charset == "big5") {
                std::string decoded = v[prefix + ".decoded"];
                decoded.resize(length, ' ');
                expected.replace(start, length, decoded);
            }
            from = start + length;
        }
        std::string line = v["encoded"];
        DecodeEncodedWords(line);
        EXPECT_EQ(line, expected) << v.id;
        EXPECT_EQ(line.size(), v["encoded"].size()) << v.id;
    }
}

TEST(MailCodec, EncodedWordsStopAtThreePerLine) {
    std::string line =
        "Subject: =?big5?q?a?= =?BIG5?Q?b?= =?windows-1252?B?Yw==?= =?iso-8859-1?q?d?=";
    DecodeEncodedWords(line);
    // Each word keeps its length: 12, 12 and 23 characters.
    EXPECT_EQ(line, "Subject: a" + std::string(11, ' ') + " b" + std::string(11, ' ') + " c" +
                        std::string(22, ' ') + " =?iso-8859-1?q?d?=");
}

TEST(MailCodec, Md5AndHmacMd5MatchRfc1321And2202) {
    for (const auto& v : LoadVectors(VectorPath(), "md5")) {
        EXPECT_EQ(Md5Hex(v["message"]), LowerHex(v["digest"])) << v.id;
    }
    const auto hmacs = LoadVectors(VectorPath(), "hmac-md5");
    ASSERT_EQ(hmacs.size(), 7u);
    for (const auto& v : hmacs) {
        EXPECT_EQ(HmacMd5Hex(v["key"], v["data"]), LowerHex(v["digest"])) << v.id;
    }
}

TEST(MailCodec, LogOnAnswersMatchRfc2195And1939And4616) {
    const auto cram = LoadVectors(VectorPath(), "cram-md5").at(0);
    EXPECT_EQ(text::Base64DecodeLenient(cram["challenge-base64"]), cram["challenge"]);
    EXPECT_EQ(CramMd5Answer(cram["user"], cram["secret"], cram["challenge-base64"]),
              cram["response-base64"]);

    const auto apop = LoadVectors(VectorPath(), "apop").at(0);
    EXPECT_EQ(ApopTimestamp(apop["greeting"]), apop["timestamp"]);
    EXPECT_EQ("APOP " + apop["user"] + " " + ApopDigest(apop["timestamp"], apop["secret"]),
              apop["command"]);
    EXPECT_EQ(ApopTimestamp("+OK POP3 server ready"), "");

    // PLAIN names the user as both identities: authzid = authcid.
    for (const auto& v : LoadVectors(VectorPath(), "sasl-plain")) {
        const std::string expected = v["authcid"] + '\0' + v["authcid"] + '\0' + v["passwd"];
        EXPECT_EQ(text::Base64DecodeLenient(PlainAnswer(v["authcid"], v["passwd"])), expected)
            << v.id;
        // The vector's own form decodes to its message, so the codec reads it too.
        EXPECT_EQ(text::Base64DecodeLenient(v["message-base64"]), v["message"]) << v.id;
    }
}

} // namespace
