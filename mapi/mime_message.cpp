#include "mapi/mime_message.h"

#include "obrenta/mapi.h"
#include "platform/text/base64.h"
#include "platform/time/clock.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/random.h>
#include <unistd.h>

namespace ob::mapi {
namespace {

constexpr std::size_t kFoldAt = 78;
constexpr std::size_t kMaxLine = 998;
/// RFC 2047's limits: an encoded word, and a line that holds encoded words.
constexpr std::size_t kMaxEncodedWord = 75;
constexpr std::size_t kMaxEncodedLine = 76;

bool IsPrintableAscii(std::string_view text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

std::string RandomHex(std::size_t bytes) {
    std::string random(bytes, '\0');
    std::size_t filled = 0;
    while (filled < bytes) {
        const ssize_t got = ::getrandom(random.data() + filled, bytes - filled, 0);
        if (got <= 0) {
            break; // interrupted or unavailable: the clock and a counter make it unique
        }
        filled += static_cast<std::size_t>(got);
    }
    static std::atomic<std::uint64_t> counter{0};
    const auto stamp =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) +
        ++counter;
    for (std::size_t i = filled; i < bytes; ++i) {
        random[i] = static_cast<char>((stamp >> ((i % 8) * 8)) & 0xFF);
    }
    std::string hex;
    for (const char c : random) {
        static constexpr char kDigits[] = "0123456789abcdef";
        hex += kDigits[(static_cast<unsigned char>(c) >> 4) & 15];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    for (const char* c = name; *c != '\0'; ++c) {
        const bool fits = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                          (*c >= '0' && *c <= '9') || *c == '-' || *c == '.';
        if (!fits) {
            return "localhost";
        }
    }
    return name;
}

const char* Charset(std::string_view text) {
    if (IsPrintableAscii(text)) {
        return "us-ascii";
    }
    return IsUtf8(text) ? "utf-8" : "windows-1252";
}

/// The length of the UTF-8 sequence a lead byte starts (1 for anything else).
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    return lead >= 0xC2 && lead <= 0xDF ? 2 : 1;
}

/// RFC 2047 "B" words of `text`, separated by folding white space, each at most
/// 75 characters and the first fitting the 76 characters of its line after `used`;
/// a UTF-8 character is never split between two words.
std::string EncodedWords(std::string_view text, std::size_t used) {
    const bool utf8 = IsUtf8(text);
    const std::string prefix = std::string("=?") + (utf8 ? "utf-8" : "windows-1252") + "?B?";
    std::string words;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t room = kMaxEncodedWord;
        if (words.empty() && used < kMaxEncodedLine) {
            room = std::min(room, kMaxEncodedLine - used);
        }
        const std::size_t overhead = std::min(room, prefix.size() + 2);
        const std::size_t bytes = std::max<std::size_t>(3, (room - overhead) / 4 * 3);
        std::size_t end = std::min(text.size(), at + bytes);
        if (utf8) {
            std::size_t cut = at;
            while (cut < end) {
                const std::size_t length = SequenceLength(static_cast<unsigned char>(text[cut]));
                if (cut + length > end) {
                    break;
                }
                cut += length;
            }
            end = cut > at ? cut : end;
        }
        if (!words.empty()) {
            words += "\n ";
        }
        words += prefix + text::Base64Encode(text.substr(at, end - at)) + "?=";
        at = end;
    }
    return words;
}

/// Printable ASCII folded at blanks so that lines stay within kFoldAt where a
/// blank allows it. Empty when some line would still exceed kMaxLine.
std::string FoldAscii(std::string_view text, std::size_t used) {
    std::string folded;
    std::size_t line = used;
    std::size_t at = 0;
    while (at < text.size()) {
        // The next word with the blanks before it.
        std::size_t wordStart = at;
        while (wordStart < text.size() && text[wordStart] == ' ') {
            ++wordStart;
        }
        std::size_t wordEnd = text.find(' ', wordStart);
        if (wordEnd == std::string_view::npos) {
            wordEnd = text.size();
        }
        const std::string_view piece = text.substr(at, wordEnd - at);
        if (line + piece.size() > kFoldAt && at > 0 && line > 0 && wordStart > at) {
            // Fold before the piece's last blank, which starts the new line.
            folded.append(text.substr(at, wordStart - at - 1));
            folded += '\n';
            line = 0;
            at = wordStart - 1;
            continue;
        }
        folded.append(piece);
        line += piece.size();
        if (line > kMaxLine) {
            return {};
        }
        at = wordEnd;
    }
    return folded;
}

/// A display name as a phrase: atoms as they are, other printable ASCII quoted,
/// anything else encoded.
std::string Phrase(std::string_view name) {
    if (!IsPrintableAscii(name) || name.find("=?") != std::string_view::npos) {
        return EncodedWords(name, 0);
    }
    bool plain = true;
    for (const char c : name) {
        const bool atext = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == ' ' ||
                           std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr;
        plain = plain && atext;
    }
    if (plain) {
        return std::string(name);
    }
    std::string quoted = "\"";
    for (const char c : name) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

void AppendAddressHeader(const MessageContent& content, std::uint32_t recipClass,
                         std::string_view field, std::string& out) {
    std::string line(field);
    line += ":";
    bool first = true;
    std::size_t lineLength = line.size();
    for (const Recipient& recipient : content.recipients) {
        if (recipient.recipClass != recipClass) {
            continue;
        }
        const std::string mailbox = FormatMailbox(recipient.name, recipient.address);
        if (!first) {
            line += ",";
            ++lineLength;
        }
        if (!first && lineLength + 1 + mailbox.size() > kFoldAt) {
            line += "\n";
            lineLength = 0;
        }
        line += " " + mailbox;
        const std::size_t lastBreak = mailbox.rfind('\n');
        lineLength = lastBreak == std::string::npos ? lineLength + 1 + mailbox.size()
                                                    : mailbox.size() - lastBreak - 1;
        first = false;
    }
    if (!first) {
        out += line + "\n";
    }
}

/// A MIME parameter: name="value" when the value is short plain ASCII, else the
/// RFC 2231 form name*=charset''percent-encoded.
std::string Parameter(std::string_view name, std::string_view value) {
    const bool plain = IsPrintableAscii(value) && value.size() <= 60 &&
                       value.find_first_of("\"\\") == std::string_view::npos;
    if (plain) {
        return std::string(name) + "=\"" + std::string(value) + "\"";
    }
    std::string encoded = std::string(name) + "*=" + Charset(value) + "''";
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                          (byte >= '0' && byte <= '9') || std::strchr("!#$&+-.^_`|~", c) != nullptr;
        if (keep && byte != 0) {
            encoded += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", byte);
            encoded += hex;
        }
    }
    return encoded;
}

/// The body with line ends as "\n" (or "\r\n" for the canonical form of encoded
/// text).
std::string NormaliseLines(std::string_view text, std::string_view newline) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += newline;
        } else if (text[i] == '\n') {
            out += newline;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool LinesFit(std::string_view text) {
    std::size_t line = 0;
    for (const char c : text) {
        line = c == '\n' ? 0 : line + 1;
        if (line > kMaxLine) {
            return false;
        }
    }
    return true;
}

/// The text part's headers and content.
std::string TextPart(std::string_view body) {
    const std::string lines = NormaliseLines(body, "\n");
    std::string part;
    bool ascii = true;
    for (const char c : lines) {
        ascii = ascii && (static_cast<unsigned char>(c) < 0x80);
    }
    if (ascii && LinesFit(lines)) {
        part = "Content-Type: text/plain; charset=us-ascii\nContent-Transfer-Encoding: 7bit\n\n";
        part += lines;
        if (!lines.empty() && lines.back() != '\n') {
            part += '\n';
        }
        return part;
    }
    part = std::string("Content-Type: text/plain; charset=") + Charset(lines) +
           "\nContent-Transfer-Encoding: base64\n\n";
    text::AppendBase64Lines(NormaliseLines(body, "\r\n"), 76, "\n", part);
    return part;
}

} // namespace

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(lead);
        if (length == 1 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
        const auto second = static_cast<unsigned char>(text[i + 1]);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string MailDate(std::chrono::system_clock::time_point when) {
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                         "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    const long offset = local.tm_gmtoff / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld",
                  kDays[static_cast<std::size_t>(local.tm_wday) % 7], local.tm_mday,
                  kMonths[static_cast<std::size_t>(local.tm_mon) % 12], local.tm_year + 1900,
                  local.tm_hour, local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

MessageFrame NewFrame() {
    MessageFrame frame;
    frame.date = MailDate(clock::Now());
    frame.messageId = "<" + RandomHex(16) + "@" + HostName() + ">";
    frame.boundary = "=_ob_" + RandomHex(12);
    return frame;
}

std::string HeaderText(std::string_view text, std::size_t used) {
    if (IsPrintableAscii(text) && text.find("=?") == std::string_view::npos) {
        std::string folded = FoldAscii(text, used);
        if (!folded.empty() || text.empty()) {
            return folded;
        }
    }
    return EncodedWords(text, used);
}

std::string FormatMailbox(std::string_view name, std::string_view address) {
    if (name.empty() || name == address) {
        return std::string(address);
    }
    return Phrase(name) + " <" + std::string(address) + ">";
}

std::string MessageHead(const MessageContent& content, const MessageFrame& frame) {
    std::string head;
    if (!content.sender.address.empty()) {
        head += "From: " + FormatMailbox(content.sender.displayName, content.sender.address) + "\n";
    }
    AppendAddressHeader(content, MAPI_TO, "To", head);
    AppendAddressHeader(content, MAPI_CC, "Cc", head);
    AppendAddressHeader(content, MAPI_BCC, "Bcc", head);
    if (!content.subject.empty()) {
        head += "Subject: " + HeaderText(content.subject, 9) + "\n";
    }
    head += "Date: " + frame.date + "\n";
    head += "Message-ID: " + frame.messageId + "\n";
    head += "MIME-Version: 1.0\n";
    if (content.attachmentNames.empty()) {
        return head + TextPart(content.body);
    }
    head += "Content-Type: multipart/mixed; boundary=\"" + frame.boundary + "\"\n\n";
    head += "This is a message in MIME format.\n\n--" + frame.boundary + "\n";
    return head + TextPart(content.body);
}

std::string AttachmentHead(const MessageContent& content, const MessageFrame& frame,
                           std::size_t index) {
    const std::string& name = content.attachmentNames.at(index);
    return "\n--" + frame.boundary + "\nContent-Type: application/octet-stream;\n " +
           Parameter("name", name) + "\nContent-Disposition: attachment;\n " +
           Parameter("filename", name) + "\nContent-Transfer-Encoding: base64\n\n";
}

std::string AttachmentLines(std::string_view bytes) {
    std::string lines;
    text::AppendBase64Lines(bytes, 76, "\n", lines);
    return lines;
}

std::string MessageTail(const MessageContent& content, const MessageFrame& frame) {
    return content.attachmentNames.empty() ? std::string() : "\n--" + frame.boundary + "--\n";
}

} // namespace ob::mapi
