#include "OBCoreLib/ftp/ftp_object.h"

#include "common/ftp/ftp_error_text.h"
#include "common/ftp/ftp_status_variables.h"
#include "common/ftp/ftp_text_types.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <vector>

namespace ob::corelib {
namespace {

using common::ftp::StoreFtpStatus;
using vbscript::Variant;
using Detail = FtpCallLog::Detail;

/// Windows' ERROR_INVALID_PARAMETER: a port the connection cannot use.
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kLargestPort = 65535;

/// How an operation's log line shows its arguments.
enum class Shape {
    kName,         ///< Del("name")
    kNamesAndMode, ///< Get("remote","local",Binary)
};

struct OperationSpec {
    std::string_view name;
    Shape shape;
};

// In the order of FtpOperation.
constexpr std::array<OperationSpec, 13> kOperations{{
    {"Get", Shape::kNamesAndMode},
    {"Del", Shape::kName},
    {"Put", Shape::kNamesAndMode},
    {"Rename", Shape::kName}, // the log names the old name only
    {"RGet", Shape::kNamesAndMode},
    {"RDel", Shape::kName},
    {"MGet", Shape::kNamesAndMode},
    {"RPut", Shape::kNamesAndMode},
    {"MPut", Shape::kNamesAndMode},
    {"MDel", Shape::kName},
    {"Cd", Shape::kName},
    {"Mkdir", Shape::kName},
    {"Rmdir", Shape::kName},
}};

const char* PropertyName(FtpText property) {
    switch (property) {
    case FtpText::kServer:
        return "Server";
    case FtpText::kUserName:
        return "UserName";
    case FtpText::kPassword:
        break;
    }
    return "Password";
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

} // namespace

FtpObject::FtpObject() : AutomationObject("Iftp", FtpMembers()), session_(StoreFtpStatus()) {}

std::shared_ptr<vbscript::Object> MakeFtpObject() {
    return std::make_shared<FtpObject>();
}

std::string FtpObject::Text(FtpText property) const {
    if (property == FtpText::kPassword) {
        log_.Write(Detail::kCall, "\"####\" = Password");
        return password_;
    }
    const std::string& value = property == FtpText::kServer ? server_ : userName_;
    log_.Write(Detail::kCall, value + " = " + PropertyName(property));
    return value;
}

void FtpObject::SetText(FtpText property, std::string value) {
    const bool secret = property == FtpText::kPassword;
    log_.Write(Detail::kCall, std::string(PropertyName(property)) + " = " +
                                  Quoted(secret ? std::string("####") : value));
    switch (property) {
    case FtpText::kServer:
        server_ = std::move(value);
        break;
    case FtpText::kUserName:
        userName_ = std::move(value);
        break;
    case FtpText::kPassword:
        password_ = std::move(value);
        break;
    }
}

std::uint32_t FtpObject::Port() const {
    log_.Write(Detail::kCall, std::to_string(port_) + " = Port");
    return port_;
}

void FtpObject::SetPort(std::uint32_t port) {
    log_.Write(Detail::kCall, "Port = " + std::to_string(port));
    port_ = port;
}

bool FtpObject::Passive() const {
    log_.Write(Detail::kCall, std::string(TruthWord(passive_)) + " = Passive");
    return passive_;
}

void FtpObject::SetPassive(bool passive) {
    log_.Write(Detail::kCall, std::string("Passive = ") + TruthWord(passive));
    passive_ = passive;
}

std::string FtpObject::TextTypes() const {
    std::string types = common::ftp::TextTypesProperty();
    log_.Write(Detail::kCall, types + " = TextTypes");
    return types;
}

void FtpObject::SetTextTypes(const std::string& types) {
    log_.Write(Detail::kCall, "TextTypes = " + Quoted(types));
    // A text that does not begin with "." leaves the list as it is.
    static_cast<void>(common::ftp::SetTextTypes(types));
}

I4Result FtpObject::Outcome(bool ok) const {
    if (ok) {
        return {HResult::Ok, 0};
    }
    return {HResult::False, static_cast<std::int32_t>(session_.LastError())};
}

I4Result FtpObject::Connect() {
    bool ok = false;
    if (port_ > kLargestPort) {
        // Cut to 16 bits the port would name another service (65557 is 21).
        session_.Close();
        ok = session_.Refuse(kInvalidParameter);
    } else {
        common::ftp::FtpConnectOptions options;
        options.host = server_;
        options.port = static_cast<std::uint16_t>(port_);
        options.user = userName_;
        options.password = password_;
        ok = session_.Connect(options);
    }
    const I4Result result = Outcome(ok);
    log_.Write(Detail::kWithOutcome, OutcomeWord(result.value) + " = Connect()");
    return result;
}

HResult FtpObject::Disconnect() {
    const bool connected = session_.IsConnected();
    session_.Close();
    log_.Write(Detail::kWithOutcome, std::string(TruthWord(connected)) + " = Disconnect");
    return connected ? HResult::Ok : HResult::False;
}

std::int32_t FtpObject::GetLastError() const {
    const auto text = common::ftp::FtpStatusValue(common::ftp::kReplyCodeVariable);
    log_.Write(Detail::kCall, text.value_or("(NULL)") + " = GetLastError()");
    if (!text) {
        return 0;
    }
    // Read as atol reads it; a number beyond 32 bits keeps the nearest end.
    const long number = std::strtol(text->c_str(), nullptr, 10);
    return static_cast<std::int32_t>(std::clamp<long>(number,
                                                      std::numeric_limits<std::int32_t>::min(),
                                                      std::numeric_limits<std::int32_t>::max()));
}

void FtpObject::ClearLastError() const {
    StoreFtpStatus().SetVariable(common::ftp::kReplyCodeVariable, "0");
    log_.Write(Detail::kCall, "void = ClearLastError()");
}

std::string FtpObject::GetErrorString(std::int32_t code) const {
    std::string text =
        code == 0 ? std::string() : common::ftp::FtpErrorText(static_cast<std::uint32_t>(code));
    if (text.empty()) {
        text = "No Error(" + std::to_string(code) + ")";
    }
    log_.Write(Detail::kCall, text + " = GetErrorString()");
    return text;
}

std::string FtpObject::GetLastResponse() const {
    std::string line =
        common::ftp::FtpStatusValue(common::ftp::kLastLineVariable).value_or(std::string());
    log_.Write(Detail::kCall, line + " = GetLastResponse()");
    return line;
}

I4Result FtpObject::InitLogFile(const std::string& fileName) {
    if (log_.Start(fileName)) {
        return {HResult::Ok, Truth(true)};
    }
    return {HResult::False, Truth(false)};
}

void FtpObject::LogFileWrite(const std::string& text) const {
    log_.WriteLiteral(text);
}

bool FtpObject::Test(const std::string& name) {
    const bool found = session_.Test(name) > 0;
    log_.Write(Detail::kWithOutcome,
               std::string(TruthWord(found)) + " = Test(" + Quoted(name) + ")");
    return found;
}

I4Result FtpObject::Run(FtpOperation operation, const CallArgs& a) {
    bool ok = false;
    switch (operation) {
    case FtpOperation::kGet:
        ok = session_.Get(a.Text(0), a.Text(1), a.I2(2));
        break;
    case FtpOperation::kDel:
        ok = session_.Delete(a.Text(0));
        break;
    case FtpOperation::kPut:
        ok = session_.Put(a.Text(0), a.Text(1), a.I2(2));
        break;
    case FtpOperation::kRename:
        ok = session_.Rename(a.Text(0), a.Text(1));
        break;
    case FtpOperation::kRGet:
        ok = session_.RGet(a.Text(0), a.Text(1), a.I2(2));
        break;
    case FtpOperation::kRDel:
        ok = session_.RDel(a.Text(0));
        break;
    case FtpOperation::kMGet:
        ok = session_.MGet(a.Text(0), a.Text(1), a.I2(2));
        break;
    case FtpOperation::kRPut:
        ok = session_.RPut(a.Text(0), a.Text(1), a.I2(2));
        break;
    case FtpOperation::kMPut:
        ok = session_.MPut(a.Text(0), a.Text(1), a.I2(2));
        break;
    case FtpOperation::kMDel:
        ok = session_.MDel(a.Text(0));
        break;
    case FtpOperation::kCd:
        ok = session_.Cd(a.Text(0));
        break;
    case FtpOperation::kMkdir:
        ok = session_.Mkdir(a.Text(0));
        break;
    case FtpOperation::kRmdir:
        ok = session_.Rmdir(a.Text(0));
        break;
    }
    const I4Result result = Outcome(ok);
    const OperationSpec& spec = kOperations[static_cast<std::size_t>(operation)];
    std::string line =
        OutcomeWord(result.value) + " = " + std::string(spec.name) + "(" + Quoted(a.Text(0));
    if (spec.shape == Shape::kNamesAndMode) {
        line += "," + Quoted(a.Text(1)) + "," + common::ftp::ModeWord(a.I2(2));
    }
    log_.Write(Detail::kWithOutcome, line + ")");
    return result;
}

} // namespace ob::corelib
