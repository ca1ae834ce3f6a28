#include "host/std_stream_object.h"

#include "vbscript/member_checks.h"
#include "vbscript/script_exception.h"

#include "platform/text/ascii_case.h"

namespace ob::host {

namespace {

using vbscript::InvokeKind;
using vbscript::Is;
using vbscript::IsRead;
using vbscript::RequireArgs;
using vbscript::ScriptException;
using vbscript::Variant;

constexpr long kBadFileNumber = 52;
constexpr long kBadFileMode = 54;
constexpr long kPastEnd = 62;

long Count(const Variant& v) {
    const long n = v.ToLong();
    if (n < 0) {
        throw ScriptException(vbscript::err::kInvalidCall);
    }
    return n;
}

bool IsContinuationByte(int c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

StdStreamObject::StdStreamObject(std::istream& in) : in_(&in) {}

StdStreamObject::StdStreamObject(std::ostream& out) : out_(&out) {}

void StdStreamObject::RequireReading() const {
    if (closed_) {
        throw ScriptException(kBadFileNumber);
    }
    if (!in_) {
        throw ScriptException(kBadFileMode);
    }
}

void StdStreamObject::RequireWriting() const {
    if (closed_) {
        throw ScriptException(kBadFileNumber);
    }
    if (!out_) {
        throw ScriptException(kBadFileMode);
    }
}

int StdStreamObject::Peek() {
    return in_->peek();
}

std::string StdStreamObject::ReadLine() {
    if (Peek() == std::char_traits<char>::eof()) {
        throw ScriptException(kPastEnd);
    }
    std::string line;
    std::getline(*in_, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    ++line_;
    return line;
}

// n characters: a UTF-8 character's continuation bytes come with it.
std::string StdStreamObject::ReadChars(long count) {
    std::string out;
    for (long i = 0; i < count; ++i) {
        int c = in_->get();
        if (c == std::char_traits<char>::eof()) {
            if (out.empty() && count > 0) {
                throw ScriptException(kPastEnd);
            }
            break;
        }
        out.push_back(static_cast<char>(c));
        line_ += c == '\n';
        while (IsContinuationByte(Peek())) {
            out.push_back(static_cast<char>(in_->get()));
        }
    }
    return out;
}

Variant StdStreamObject::Invoke(std::string_view name, InvokeKind kind,
                                std::vector<Variant>& args) {
    if (kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef) {
        throw ScriptException(vbscript::err::kNoSuchMember);
    }
    if (Is(name, "close")) {
        RequireArgs(args, 0);
        closed_ = true;
        return {};
    }
    if (Is(name, "write") || Is(name, "writeline")) {
        if (args.size() > 1 || (Is(name, "write") && args.size() != 1)) {
            throw ScriptException(vbscript::err::kWrongArguments);
        }
        RequireWriting();
        if (!args.empty()) {
            *out_ << (args[0].IsNull() ? std::string() : args[0].ToString());
        }
        if (Is(name, "writeline")) {
            *out_ << '\n';
        }
        out_->flush();
        return {};
    }
    if (Is(name, "writeblanklines")) {
        RequireArgs(args, 1);
        RequireWriting();
        *out_ << std::string(static_cast<std::size_t>(Count(args[0])), '\n');
        out_->flush();
        return {};
    }
    if (Is(name, "readline")) {
        RequireArgs(args, 0);
        RequireReading();
        return Variant::String(ReadLine());
    }
    if (Is(name, "read")) {
        RequireArgs(args, 1);
        RequireReading();
        return Variant::String(ReadChars(Count(args[0])));
    }
    if (Is(name, "readall")) {
        RequireArgs(args, 0);
        RequireReading();
        std::string all;
        for (int c = in_->get(); c != std::char_traits<char>::eof(); c = in_->get()) {
            all.push_back(static_cast<char>(c));
            line_ += c == '\n';
            if (all.size() > vbscript::kMaxStringLength) {
                throw ScriptException(vbscript::err::kOutOfMemory);
            }
        }
        return Variant::String(std::move(all));
    }
    if (Is(name, "skip")) {
        RequireArgs(args, 1);
        RequireReading();
        ReadChars(Count(args[0]));
        return {};
    }
    if (Is(name, "skipline")) {
        RequireArgs(args, 0);
        RequireReading();
        ReadLine();
        return {};
    }
    if (Is(name, "atendofstream")) {
        RequireArgs(args, 0);
        RequireReading();
        return Variant::Boolean(Peek() == std::char_traits<char>::eof());
    }
    if (Is(name, "atendofline")) {
        RequireArgs(args, 0);
        RequireReading();
        const int c = Peek();
        return Variant::Boolean(c == std::char_traits<char>::eof() || c == '\n' || c == '\r');
    }
    if (Is(name, "line")) {
        RequireArgs(args, 0);
        return Variant::Long(static_cast<std::int32_t>(line_));
    }
    throw ScriptException(vbscript::err::kNoSuchMember);
}

} // namespace ob::host
