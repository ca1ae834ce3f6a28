#include "common/regex/regex_program.h"

#include "common/regex/regex_code.h"
#include "common/regex/regex_compiler.h"
#include "common/regex/regex_matcher.h"
#include "common/regex/regex_messages.h"

#include <new>

namespace ob::common {

RegexCompileResult RegexProgram::Compile(std::string_view pattern) noexcept {
    RegexCompileResult result;
    try {
        RegexImage image;
        if (const char* error = CompileRegexImage(pattern, image)) {
            result.error = error;
            return result;
        }
        auto program = std::make_unique<RegexProgram>(Key{});
        program->code_ = std::move(image.code);
        program->first_ = image.first;
        program->anchored_ = image.anchored;
        program->must_offset_ = image.must_offset;
        program->must_length_ = image.must_length;
        program->ClearPositions();
        result.program = std::move(program);
    } catch (const std::bad_alloc&) {
        result.program.reset();
        result.error = kRegexOutOfMemory;
    }
    return result;
}

std::unique_ptr<RegexProgram> RegexProgram::FromCode(std::vector<std::uint8_t> code) noexcept {
    try {
        auto program = std::make_unique<RegexProgram>(Key{});
        program->code_ = std::move(code);
        program->ClearPositions();
        return program;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void RegexProgram::ClearPositions() noexcept {
    start_.fill(kNoPosition);
    end_.fill(kNoPosition);
}

std::string_view RegexProgram::MustHave() const noexcept {
    if (must_length_ == 0) {
        return {};
    }
    return {reinterpret_cast<const char*>(code_.data() + must_offset_), must_length_};
}

std::ptrdiff_t RegexProgram::Start(int n) const noexcept {
    return n >= 0 && n < kGroupSlots ? start_[n] : kNoPosition;
}

std::ptrdiff_t RegexProgram::End(int n) const noexcept {
    return n >= 0 && n < kGroupSlots ? end_[n] : kNoPosition;
}

bool RegexProgram::Execute(std::string_view text, const RegexLimits& limits) noexcept {
    status_ = RegexStatus::kNoMatch;
    try {
        if (code_.empty() || code_[0] != regex_code::kMagic) {
            status_ = RegexStatus::kDamaged;
        } else if (must_length_ > 0 && text.find(MustHave()) == std::string_view::npos) {
            status_ = RegexStatus::kNoMatch; // cheap rejection, no attempt needed
        } else {
            RegexMatcher matcher(code_, text, limits);
            if (anchored_) {
                status_ = matcher.RunAt(0, start_, end_);
            } else if (first_ != '\0') {
                // Only positions holding the first character can start a match.
                for (std::size_t at = text.find(first_); at != std::string_view::npos;
                     at = text.find(first_, at + 1)) {
                    status_ = matcher.RunAt(at, start_, end_);
                    if (status_ != RegexStatus::kNoMatch) {
                        break;
                    }
                }
            } else {
                // Every position, the empty one at the end included.
                for (std::size_t at = 0; at <= text.size(); ++at) {
                    status_ = matcher.RunAt(at, start_, end_);
                    if (status_ != RegexStatus::kNoMatch) {
                        break;
                    }
                }
            }
        }
    } catch (const std::bad_alloc&) {
        status_ = RegexStatus::kLimitReached;
    }
    if (status_ != RegexStatus::kMatch) {
        ClearPositions();
    }
    return status_ == RegexStatus::kMatch;
}

std::unique_ptr<RegexProgram> CompileRegex(std::string_view pattern, std::string* error) noexcept {
    RegexCompileResult result = RegexProgram::Compile(pattern);
    if (error != nullptr) {
        *error = std::move(result.error); // a move: no allocation, no throw
    }
    return std::move(result.program);
}

int MatchRegex(RegexProgram* program, std::string_view text) noexcept {
    return program != nullptr && program->Execute(text) ? 1 : 0;
}

} // namespace ob::common
