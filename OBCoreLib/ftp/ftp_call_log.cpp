#include "OBCoreLib/ftp/ftp_call_log.h"

#include "common/ftp/ftp_status_sink.h"
#include "common/ftp/ftp_status_variables.h"

#include <array>
#include <fstream>

namespace ob::corelib {
namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

struct OutcomeLine {
    const char* variable;
    const char* prefix;
};

constexpr std::array kOutcomeLines{
    OutcomeLine{common::ftp::kLastLineVariable, "Last line: "},
    OutcomeLine{common::ftp::kLastMessageVariable, "Last Library message: "},
    OutcomeLine{common::ftp::kReplyCodeVariable, "Last Library error: "},
    OutcomeLine{common::ftp::kWinsockVariable, "\tSocket error: "},
};

} // namespace

bool FtpCallLog::Start(const std::string& fileName) {
    fileName_.clear();
    if (fileName.empty()) {
        return false;
    }
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file) {
        return false;
    }
    file.close();
    fileName_ = fileName;
    Write(Detail::kCall, "True = InitLogFile(\"" + fileName + "\")");
    return true;
}

void FtpCallLog::Write(Detail detail, std::string_view text) const {
    if (!IsOn()) {
        return;
    }
    std::string lines(Trimmed(text));
    lines += '\n';
    if (detail == Detail::kWithOutcome) {
        for (const OutcomeLine& line : kOutcomeLines) {
            if (const auto value = common::ftp::FtpStatusValue(line.variable)) {
                lines += line.prefix;
                lines += *value;
                lines += '\n';
            }
        }
    }
    Append(lines);
}

void FtpCallLog::WriteLiteral(std::string_view text) const {
    if (IsOn()) {
        Append(std::string(text) + '\n');
    }
}

void FtpCallLog::Append(const std::string& lines) const {
    // A log that cannot be written (its folder removed, a full disk) must not
    // change the call's outcome: the entry is lost.
    std::ofstream file(fileName_, std::ios::binary | std::ios::app);
    file << lines;
}

std::string OutcomeWord(std::int32_t result) {
    return result == 0 ? std::string("OK") : std::to_string(result);
}

const char* TruthWord(bool value) {
    return value ? "True" : "False";
}

} // namespace ob::corelib
