// Outgoing messages, byte for byte.
#include "mail/date_header.h"
#include "mail/message_composer.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>

namespace {

using namespace ob::mail;

std::chrono::system_clock::time_point Utc(int year, int month, int day, int hour, int minute,
                                          int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return std::chrono::system_clock::from_time_t(::timegm(&parts));
}

class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
            had_ = true;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneScope() {
        had_ ? ::setenv("TZ", saved_.c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string saved_;
    bool had_ = false;
};

std::string Compose(OutgoingMessage message) {
    MessageComposer composer(std::move(message));
    EXPECT_EQ(composer.Open(), Code::Ok);
    std::string out;
    bool more = true;
    while (more) {
        EXPECT_EQ(composer.Next(out, more), Code::Ok);
    }
    return out;
}

TEST(MailDate, HeaderShowsLocalTimeWithTheZonesWholeOffset) {
    const struct {
        const char* zone;
        std::chrono::system_clock::time_point when;
        const char* text;
    } cases[] = {
        {"UTC0", Utc(1995, 3, 14, 9, 5, 3), "Tue, 14 Mar 1995 9:05:03 +0000"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", Utc(2024, 7, 1, 10, 41, 29),
         "Mon, 1 Jul 2024 12:41:29 +0200"},
        {"EST5EDT,M3.2.0,M11.1.0", Utc(2024, 1, 31, 4, 0, 0), "Tue, 30 Jan 2024 23:00:00 -0500"},
        {"IST-5:30", Utc(2024, 12, 25, 0, 0, 59), "Wed, 25 Dec 2024 5:30:59 +0530"},
    };
    for (const auto& c : cases) {
        ZoneScope zone(c.zone);
        EXPECT_EQ(DateHeaderValue(c.when), c.text) << c.zone;
    }
}

TEST(MailComposer, PlainMessageHeadersTextAndDotStuffing) {
    ZoneScope zone("UTC0");
    OutgoingMessage m;
    m.from = "Jobs<jobs@example.org>";
    m.replyTo = "Jobs<jobs@example.org>";
    m.to = "Ann<ann@example.org>;<bob@example.org>";
    m.cc = "<cc@example.org>";
    m.subject = "Nightly\r\nBcc: <evil@example.org>";
    m.text = "line one\n.\n..two\r\nlast";
    m.date = Utc(1995, 3, 14, 12, 41, 29);
    EXPECT_EQ(Compose(m), "Date: Tue, 14 Mar 1995 12:41:29 +0000\r\n"
                          "To: Ann<ann@example.org>;<bob@example.org>\r\n"
                          "From: Jobs<jobs@example.org>\r\n"
                          "Reply-To: Jobs<jobs@example.org>\r\n"
                          "Subject: Nightly  Bcc: <evil@example.org>\r\n"
                          "CC: <cc@example.org>\r\n"
                          "MIME-Version: 1.0\r\n"
                          "Content-Type: text/plain\r\n"
                          "\r\n"
                          "line one\r\n"
                          "..\r\n"
                          "...two\r\n"
                          "last\r\n"
                          ".\r\n");
}

TEST(MailComposer, AttachmentsAreBase64PartsTypedByExtension) {
    ZoneScope zone("UTC0");
    ob::test::ScratchDir dir;
    const std::string picture = dir / "Photo.JPG";
    std::ofstream(picture, std::ios::binary) << std::string("\xff\xd8\xff", 3);
    const std::string data = dir / "data.bin";
    std::ofstream(data, std::ios::binary) << "foobar";
    OutgoingMessage m;
    m.from = "<jobs@example.org>";
    m.to = "<ann@example.org>";
    m.subject = "Files";
    m.text = "See attached.";
    m.attachments = {picture, data};
    m.boundary = "===OBM42===MIX===";
    m.date = Utc(1995, 3, 14, 12, 41, 29);
    EXPECT_EQ(Compose(m), "Date: Tue, 14 Mar 1995 12:41:29 +0000\r\n"
                          "To: <ann@example.org>\r\n"
                          "From: <jobs@example.org>\r\n"
                          "Subject: Files\r\n"
                          "MIME-Version: 1.0\r\n"
                          "Content-Type: multipart/mixed; boundary=\"===OBM42===MIX===\"\r\n"
                          "\r\n"
                          "--===OBM42===MIX===\r\n"
                          "Content-Type: text/plain\r\n"
                          "\r\n"
                          "See attached.\r\n"
                          "--===OBM42===MIX===\r\n"
                          "Content-Type: Image/JPEG; name=\"Photo.JPG\"\r\n"
                          "Content-Transfer-Encoding: base64\r\n"
                          "Content-Disposition: attachment; filename=\"Photo.JPG\"\r\n"
                          "\r\n"
                          "/9j/\r\n"
                          "--===OBM42===MIX===\r\n"
                          "Content-Type: application/octet-stream; name=\"data.bin\"\r\n"
                          "Content-Transfer-Encoding: base64\r\n"
                          "Content-Disposition: attachment; filename=\"data.bin\"\r\n"
                          "\r\n"
                          "Zm9vYmFy\r\n"
                          "--===OBM42===MIX===--\r\n"
                          "\r\n"
                          ".\r\n");
}

TEST(MailComposer, ContentTypesAndAnnouncedNames) {
    EXPECT_EQ(AttachmentContentType("a.gif"), "Image/GIF");
    EXPECT_EQ(AttachmentContentType("A.BMP"), "Image/BMP");
    EXPECT_EQ(AttachmentContentType("scan.Tif"), "Image/TIFF");
    EXPECT_EQ(AttachmentContentType("x.jpeg"), "application/octet-stream");
    EXPECT_EQ(AttachmentContentType("jpg"), "application/octet-stream");
    EXPECT_EQ(AttachmentHeaderName("/var/reports/q\"1\".txt"), "q_1_.txt");
}

TEST(MailComposer, LongAttachmentsBreakIntoLinesOf76) {
    ob::test::ScratchDir dir;
    const std::string path = dir / "big.bin";
    std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
    OutgoingMessage m;
    m.attachments = {path};
    m.boundary = "B";
    const std::string out = Compose(m);
    const auto begin = out.find("\r\n\r\neHh4") + 4;
    const auto end = out.find("\r\n--B--");
    ASSERT_LT(begin, end);
    std::size_t lines = 0;
    for (std::size_t at = begin; at < end + 2; ++lines) {
        const auto next = out.find("\r\n", at);
        EXPECT_LE(next - at, 76u);
        at = next + 2;
    }
    EXPECT_EQ(lines, (100000u + 56) / 57);
}

TEST(MailComposer, MissingAttachmentIsNamedBeforeAnythingIsComposed) {
    OutgoingMessage m;
    m.attachments = {"/nonexistent/report.pdf"};
    MessageComposer composer(m);
    EXPECT_EQ(composer.Open(), Code::CannotOpenFile);
    EXPECT_EQ(composer.FailedFile(), "/nonexistent/report.pdf");
}

} // namespace
