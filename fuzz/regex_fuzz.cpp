// Fuzz target for the regular-expression engine: the input up to its first NUL byte
// is the pattern, the rest the subject (a pattern cannot hold a NUL). Checks that
// compilation and matching never crash and that reported positions make sense.
#include "common/regex/regex_program.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ob::common::RegexProgram;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const std::string_view pattern = input.substr(0, split);
    const std::string_view subject =
        split == std::string_view::npos ? input : input.substr(split + 1);

    ob::common::RegexCompileResult compiled = RegexProgram::Compile(pattern);
    if (!compiled) {
        if (compiled.error.empty()) {
            std::abort(); // a rejection always says why
        }
        return 0;
    }
    RegexProgram& program = *compiled.program;
    if (program.Code().size() >= 32767) {
        std::abort();
    }
    // Small budgets keep each input fast; the limits themselves are part of what
    // is exercised.
    const ob::common::RegexLimits limits{200'000, 20'000};
    const bool matched = program.Execute(subject, limits);
    const auto length = static_cast<std::ptrdiff_t>(subject.size());
    if (!matched) {
        for (int n = 0; n < RegexProgram::kGroupSlots; ++n) {
            if (program.Start(n) != RegexProgram::kNoPosition ||
                program.End(n) != RegexProgram::kNoPosition) {
                std::abort();
            }
        }
        return 0;
    }
    const std::ptrdiff_t start = program.Start(0);
    const std::ptrdiff_t end = program.End(0);
    if (start < 0 || start > end || end > length) {
        std::abort();
    }
    for (int n = 1; n < RegexProgram::kGroupSlots; ++n) {
        const std::ptrdiff_t from = program.Start(n);
        const std::ptrdiff_t to = program.End(n);
        const bool none = from == RegexProgram::kNoPosition;
        if (none != (to == RegexProgram::kNoPosition)) {
            std::abort(); // a group has both ends or neither
        }
        if (!none && (from < start || from > to || to > end)) {
            std::abort(); // a group lies inside the match
        }
    }
    // The must-have text and the first character are shortcuts only: a match
    // always contains / starts with them.
    const std::string_view matchText = subject.substr(start, end - start);
    if (!program.MustHave().empty() &&
        matchText.find(program.MustHave()) == std::string_view::npos) {
        std::abort();
    }
    if (program.FirstCharacter() != '\0' &&
        (matchText.empty() || matchText.front() != program.FirstCharacter())) {
        std::abort();
    }
    if (program.Anchored() && start != 0) {
        std::abort();
    }
    return 0;
}
