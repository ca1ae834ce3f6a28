#include "vbscript/regexp/regexp_object.h"

#include "vbscript/member_checks.h"

#include "platform/text/ascii_case.h"
#include "vbscript/class_registry.h"
#include "vbscript/regexp/match_objects.h"
#include "vbscript/regexp/regex_matcher.h"
#include "vbscript/script_exception.h"
#include "vbscript/utf8_text.h"

namespace ob::vbscript::regexp {
namespace {

std::string Slice(const std::u32string& text, std::int32_t from, std::int32_t to) {
    return utf8::Encode(std::u32string_view(text).substr(static_cast<std::size_t>(from),
                                                         static_cast<std::size_t>(to - from)));
}

// Appends decoded characters to UTF-8 output, raising Out of memory past the
// longest string a variant may hold.
void Append(std::string& out, std::u32string_view piece) {
    const std::string bytes = utf8::Encode(piece);
    if (out.size() + bytes.size() > kMaxStringLength) {
        throw ScriptException(err::kOutOfMemory);
    }
    out += bytes;
}

// The replacement for one match: $n and $nn name groups (two digits when that
// group exists), $& the match, $` the text before it, $' the text after it, $$ a
// dollar sign; any other dollar sign stands for itself.
void Expand(std::string& out, std::u32string_view replacement, const std::u32string& text,
            const MatchSpan& match, int groupCount) {
    const std::u32string_view source(text);
    auto group = [&](int n) {
        if (match.Took(n)) {
            Append(out, source.substr(static_cast<std::size_t>(match.Start(n)),
                                      static_cast<std::size_t>(match.End(n) - match.Start(n))));
        }
    };
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char32_t c = replacement[i];
        const char32_t next = i + 1 < replacement.size() ? replacement[i + 1] : 0;
        if (c != '$' || i + 1 >= replacement.size()) {
            Append(out, replacement.substr(i, 1));
            continue;
        }
        if (next == '$') {
            Append(out, U"$");
            ++i;
        } else if (next == '&') {
            group(0);
            ++i;
        } else if (next == '`') {
            Append(out, source.substr(0, static_cast<std::size_t>(match.Start())));
            ++i;
        } else if (next == '\'') {
            Append(out, source.substr(static_cast<std::size_t>(match.End())));
            ++i;
        } else if (next >= '0' && next <= '9') {
            int n = static_cast<int>(next - '0');
            std::size_t used = 1;
            if (i + 2 < replacement.size() && replacement[i + 2] >= '0' &&
                replacement[i + 2] <= '9') {
                const int two = n * 10 + static_cast<int>(replacement[i + 2] - '0');
                if (two >= 1 && two <= groupCount) {
                    n = two;
                    used = 2;
                }
            }
            if (n >= 1 && n <= groupCount) {
                group(n);
                i += used;
            } else {
                Append(out, U"$");
            }
        } else {
            Append(out, U"$");
        }
    }
}

// Every match of a search (Global) or the first.
template <typename OnMatch>
void ForEachMatch(const Program& program, const std::u32string& text, bool global,
                  std::int64_t stepBudget, OnMatch onMatch) {
    Matcher matcher(program, text, stepBudget);
    MatchSpan match;
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t from = 0;
    while (from <= length && matcher.Search(from, match)) {
        onMatch(match);
        if (!global) {
            return;
        }
        from = match.End() > match.Start() ? match.End() : match.End() + 1;
    }
}

} // namespace

const Program& RegExpObject::Compiled() {
    if (!program_) {
        program_ = CompilePattern(utf8::Decode(pattern_), ignoreCase_, multiline_);
    }
    return *program_;
}

bool RegExpObject::Test(std::string_view text) {
    const Program& program = Compiled();
    const std::u32string decoded = utf8::Decode(text);
    Matcher matcher(program, decoded, stepBudget_);
    MatchSpan match;
    return matcher.Search(0, match);
}

Variant RegExpObject::Execute(std::string_view text) {
    const Program& program = Compiled();
    const std::u32string decoded = utf8::Decode(text);
    std::vector<Variant> matches;
    ForEachMatch(program, decoded, global_, stepBudget_, [&](const MatchSpan& match) {
        std::vector<Variant> groups;
        groups.reserve(static_cast<std::size_t>(program.groupCount));
        for (int n = 1; n <= program.groupCount; ++n) {
            groups.push_back(match.Took(n)
                                 ? Variant::String(Slice(decoded, match.Start(n), match.End(n)))
                                 : Variant());
        }
        matches.push_back(Variant::FromObject(
            std::make_shared<MatchObject>(Slice(decoded, match.Start(), match.End()), match.Start(),
                                          match.End() - match.Start(), std::move(groups))));
    });
    return Variant::FromObject(std::make_shared<MatchesObject>(std::move(matches)));
}

std::string RegExpObject::Replace(std::string_view text, std::string_view replacement) {
    const Program& program = Compiled();
    const std::u32string decoded = utf8::Decode(text);
    const std::u32string with = utf8::Decode(replacement);
    std::string out;
    std::int32_t copied = 0;
    ForEachMatch(program, decoded, global_, stepBudget_, [&](const MatchSpan& match) {
        Append(out, std::u32string_view(decoded).substr(
                        static_cast<std::size_t>(copied),
                        static_cast<std::size_t>(match.Start() - copied)));
        Expand(out, with, decoded, match, program.groupCount);
        copied = match.End();
    });
    Append(out, std::u32string_view(decoded).substr(static_cast<std::size_t>(copied)));
    return out;
}

Variant RegExpObject::Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) {
    const bool put = kind == InvokeKind::PropertyPut || kind == InvokeKind::PropertyPutRef;
    bool* flag = Is(name, "ignorecase")  ? &ignoreCase_
                 : Is(name, "global")    ? &global_
                 : Is(name, "multiline") ? &multiline_
                                         : nullptr;
    if (flag || Is(name, "pattern")) {
        if (put) {
            RequireArgs(args, 1);
            if (flag) {
                *flag = args[0].ToBool();
            } else {
                pattern_ = args[0].ToString();
            }
            program_.reset();
            return {};
        }
        RequireArgs(args, 0);
        return flag ? Variant::Boolean(*flag) : Variant::String(pattern_);
    }
    if (put) {
        throw ScriptException(err::kNoSuchMember);
    }
    if (Is(name, "test")) {
        RequireArgs(args, 1);
        return Variant::Boolean(Test(args[0].ToString()));
    }
    if (Is(name, "execute")) {
        RequireArgs(args, 1);
        return Execute(args[0].ToString());
    }
    if (Is(name, "replace")) {
        RequireArgs(args, 2);
        return Variant::String(Replace(args[0].ToString(), args[1].ToString()));
    }
    throw ScriptException(err::kNoSuchMember);
}

std::shared_ptr<Object> CreateRegExp() {
    return std::make_shared<RegExpObject>();
}

void RegisterRegExpClass() {
    RegisterBuiltinClass("VBScript.RegExp", CreateRegExp);
}

} // namespace ob::vbscript::regexp
