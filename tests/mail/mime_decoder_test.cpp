// Fetched messages through the MIME decoder: which parts are saved, under which
// names, with which bytes.
#include "mail/attachment_file.h"
#include "mail/mime_decoder.h"
#include "mail_files.h"
#include "platform/text/base64.h"
#include "scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

using namespace ob::mail;
namespace text = ob::text;
namespace fs = std::filesystem;
using ob::test::Names;
using ob::test::ReadAll;

struct Decoded {
    std::string from;
    std::string subject;
};

Decoded Decode(const std::string& message, const fs::path& dir, bool prefix = false,
               std::int32_t* counter = nullptr, int number = 7) {
    MailLog log;
    MimeSettings settings;
    settings.saveAttachments = true;
    settings.prefix = prefix;
    settings.messageNumber = number;
    settings.attachmentDirectory = dir.string();
    settings.unnamedCounter = counter;
    MimeDecoder decoder(settings, log);
    std::string_view rest = message;
    while (!rest.empty()) {
        const auto end = rest.find("\r\n");
        decoder.Line(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 2);
    }
    decoder.Finish();
    return {decoder.From(), decoder.Subject()};
}

std::string Base64Lines(std::string_view bytes) {
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += 57) {
        out += text::Base64Encode(bytes.substr(at, 57)) + "\r\n";
    }
    return out;
}

const std::string kBinary = [] {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) {
        bytes += static_cast<char>((i * 31) & 0xff);
    }
    return bytes;
}();

TEST(MailMime, TwoQuotedAttachmentsAreSavedDecoded) {
    ob::test::ScratchDir dir;
    const std::string message =
        "From: =?windows-1252?B?SvZyZw==?= <j@example.org>\r\n"
        "Subject: Two files\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed;\r\n"
        "\tboundary=\"XYZ\"\r\n"
        "\r\n"
        "preamble\r\n"
        "--XYZ\r\n"
        "Content-Type: text/plain\r\n"
        "\r\n"
        "Hello\r\n"
        "--XYZ\r\n"
        "Content-Type: application/octet-stream; name=\"first file.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment; filename=\"first file.bin\"\r\n"
        "\r\n" +
        Base64Lines(kBinary) +
        "--XYZ\r\n"
        "Content-Type: text/plain; name=\"notes.txt\"\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "caf=E9 =3D ok=\r\n"
        "went on\r\n"
        "line two\r\n"
        "--XYZ--\r\n"
        "epilogue\r\n";
    const Decoded decoded = Decode(message, dir.Path());
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"first file.bin", "notes.txt"}));
    EXPECT_EQ(ReadAll(dir.Path() / "first file.bin"), kBinary);
    EXPECT_EQ(ReadAll(dir.Path() / "notes.txt"), "caf\xe9 = okwent on\r\nline two");
    // The 27-character word becomes its 4 bytes and 23 blanks.
    EXPECT_EQ(decoded.from, "From: J\xf6rg" + std::string(23, ' ') + " <j@example.org>");
    EXPECT_EQ(decoded.subject, "Subject: Two files");
}

TEST(MailMime, ThreeNestedLevelsAndAnEnclosedMessage) {
    ob::test::ScratchDir dir;
    const std::string message = "MIME-Version: 1.0\r\n"
                                "Content-Type: multipart/mixed; boundary=outer\r\n"
                                "\r\n"
                                "--outer\r\n"
                                "Content-Type: multipart/alternative; boundary=\"middle\"\r\n"
                                "\r\n"
                                "--middle\r\n"
                                "Content-Type: multipart/related; boundary=inner\r\n"
                                "\r\n"
                                "--inner\r\n"
                                "Content-Type: image/gif; name=deep.gif\r\n"
                                "Content-Transfer-Encoding: BASE64\r\n"
                                "\r\n"
                                "R0lGODlh\r\n"
                                "--inner--\r\n"
                                "--middle--\r\n"
                                "--outer\r\n"
                                "Content-Type: message/rfc822\r\n"
                                "\r\n"
                                "Subject: inner message\r\n"
                                "Content-Type: application/pdf; name=\"enclosed.pdf\"\r\n"
                                "Content-Transfer-Encoding: base64\r\n"
                                "\r\n"
                                "JVBERi0=\r\n"
                                "--outer\r\n"
                                "Content-Type: application/zip; name=after.zip\r\n"
                                "Content-Transfer-Encoding: base64\r\n"
                                "\r\n"
                                "UEsDBA==\r\n"
                                "--outer--\r\n";
    const Decoded decoded = Decode(message, dir.Path());
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"deep.gif", "enclosed.pdf", "after.zip"}));
    EXPECT_EQ(ReadAll(dir.Path() / "deep.gif"), "GIF89a");
    EXPECT_EQ(ReadAll(dir.Path() / "enclosed.pdf"), "%PDF-");
    EXPECT_EQ(ReadAll(dir.Path() / "after.zip"), std::string("PK\x03\x04", 4));
    EXPECT_EQ(decoded.subject, ""); // the enclosed message's Subject is not the message's
}

TEST(MailMime, WhichPartsAreSaved) {
    const struct {
        const char* partHeader;
        bool saved;
    } cases[] = {
        {"Content-Transfer-Encoding: base64\r\n", true},
        {"Content-Transfer-Encoding: base64\r\nContent-Disposition: inline\r\n", false},
        {"Content-Transfer-Encoding: quoted-printable\r\n", false},
        {"Content-Transfer-Encoding: quoted-printable\r\nContent-Disposition: attachment\r\n",
         true},
        {"Content-Transfer-Encoding: 7bit\r\nContent-Disposition: attachment\r\n", false},
    };
    for (const auto& c : cases) {
        ob::test::ScratchDir dir;
        Decode(std::string("MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
                           "--b\r\n") +
                   c.partHeader + "\r\nQUJD\r\n--b--\r\n",
               dir.Path());
        EXPECT_EQ(!Names(dir.Path()).empty(), c.saved) << c.partHeader;
    }
}

TEST(MailMime, NonMimeMessagesAreNotDecoded) {
    ob::test::ScratchDir dir;
    Decode("Subject: plain\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
           "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\n--b--\r\n",
           dir.Path());
    EXPECT_TRUE(Names(dir.Path()).empty());
}

TEST(MailMime, UnnamedPartsPrefixAndCounter) {
    const std::string message =
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Transfer-Encoding: base64\r\n\r\nQUJD\r\n"
        "--b\r\nContent-Type: text/csv; name=\"r.csv\"\r\nContent-Transfer-Encoding: "
        "base64\r\n\r\nQUJD\r\n"
        "--b\r\nContent-Transfer-Encoding: base64\r\n\r\nREVG\r\n--b--\r\n";
    {
        ob::test::ScratchDir dir;
        Decode(message, dir.Path());
        EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"noname", "noname (1)", "r.csv"}));
    }
    {
        ob::test::ScratchDir dir;
        Decode(message, dir.Path(), true);
        EXPECT_EQ(Names(dir.Path()),
                  (std::set<std::string>{"7-noname", "7-noname (1)", "7-r.csv"}));
    }
    {
        ob::test::ScratchDir dir;
        std::int32_t counter = 5;
        Decode(message, dir.Path(), false, &counter);
        EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"5.att", "6.att", "r.csv"}));
        EXPECT_EQ(ReadAll(dir.Path() / "6.att"), "DEF");
        EXPECT_EQ(counter, 7);
    }
}

TEST(MailMime, HostileNamesStayInTheDirectoryAndNeverOverwrite) {
    ob::test::ScratchDir root;
    const fs::path dir = root.Path() / "attachments";
    fs::create_directories(dir);
    std::ofstream(dir / "report.pdf") << "older";
    const std::string message =
        "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n"
        "--b\r\nContent-Disposition: attachment; filename=\"../../etc/passwd\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\ncm9vdDo=\r\n"
        "--b\r\nContent-Disposition: attachment; filename=\"/tmp/abs\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nQUJD\r\n"
        "--b\r\nContent-Disposition: attachment; filename=\"report.pdf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nbmV3\r\n--b--\r\n";
    Decode(message, dir);
    EXPECT_EQ(Names(root.Path()), (std::set<std::string>{"attachments"}));
    EXPECT_EQ(Names(dir), (std::set<std::string>{"_._.._etc_passwd", "_tmp_abs", "report.pdf",
                                                 "report (1).pdf"}));
    EXPECT_EQ(ReadAll(dir / "report.pdf"), "older");
    EXPECT_EQ(ReadAll(dir / "report (1).pdf"), "new");
}

TEST(MailMime, SafeNames) {
    const struct {
        const char* name;
        const char* safe;
    } cases[] = {
        {"plain.txt", "plain.txt"},
        {"..", "_."},
        {".bashrc", "_bashrc"},
        {"a\\b:c*d?e\"f<g>h|i=j", "a_b_c_d_e_f_g_h_i_j"},
        {"tab\there", "tab_here"},
        {"  spaced  ", "spaced"},
        {"", "noname"},
        {"   ", "noname"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"com1.log", "_com1.log"},
        {"console.txt", "console.txt"},
        {"lpt0", "lpt0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeAttachmentName(c.name), c.safe) << c.name;
    }
    const std::string longName = std::string(300, 'a') + ".pdf";
    const std::string safe = SafeAttachmentName(longName);
    EXPECT_EQ(safe.size(), 127u);
    EXPECT_EQ(safe.substr(safe.size() - 4), ".pdf");
    // A cut never splits a UTF-8 sequence.
    std::string accents;
    for (int i = 0; i < 100; ++i) {
        accents += "\xc3\xa9";
    }
    const std::string cut = SafeAttachmentName(accents);
    EXPECT_EQ(cut.size() % 2, 0u);
    EXPECT_LE(cut.size(), 127u);
}

TEST(MailMime, LongLinesArriveInPieces) {
    ob::test::ScratchDir dir;
    const std::string encoded = text::Base64Encode(std::string(30000, 'z'));
    MailLog log;
    MimeSettings settings;
    settings.saveAttachments = true;
    settings.attachmentDirectory = dir.Path().string();
    MimeDecoder decoder(settings, log);
    for (const char* line : {"MIME-Version: 1.0", "Content-Type: multipart/mixed; boundary=b", "",
                             "--b", "Content-Transfer-Encoding: base64",
                             "Content-Disposition: attachment; filename=long", ""}) {
        decoder.Line(line);
    }
    for (std::size_t at = 0; at < encoded.size(); at += 4000) {
        decoder.Line(std::string_view(encoded).substr(at, 4000), at + 4000 >= encoded.size());
    }
    decoder.Line("--b--");
    decoder.Finish();
    EXPECT_EQ(ReadAll(dir.Path() / "long"), std::string(30000, 'z'));
}

} // namespace
