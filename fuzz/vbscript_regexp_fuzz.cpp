// Fuzz target for the RegExp object: the input up to its first NUL byte is the
// pattern, up to the next the subject, the rest a replacement. Runs Test, Execute
// and Replace under every combination of IgnoreCase, Global and Multiline, and
// checks that nothing crashes, that only the RegExp errors come out (the same one
// from every method for a malformed pattern), and that the results agree:
// Test finds a match exactly when Execute does, matches are ordered and do not
// overlap, and replacing every match with itself ($&) gives the subject back.
#include "vbscript/regexp/regexp_object.h"
#include "vbscript/script_exception.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using ob::vbscript::InvokeKind;
using ob::vbscript::Object;
using ob::vbscript::ScriptException;
using ob::vbscript::Variant;

Variant Get(Object& object, const char* name, std::vector<Variant> args = {}) {
    return object.Invoke(name, InvokeKind::PropertyGet, args);
}

// The error number a call raised, 0 when it raised none.
template <typename Call> long ErrorOf(Call call) {
    try {
        call();
    } catch (const ScriptException& e) {
        if (e.number < 5017 || e.number > 5022) {
            std::abort(); // only the RegExp errors may come out
        }
        return e.number;
    }
    return 0;
}

void CheckMatches(Object& matches, std::string_view subject, bool global, bool found, int& groups) {
    const std::int32_t count = Get(matches, "Count").ToLong();
    if ((count > 0) != found || (!global && count > 1)) {
        std::abort();
    }
    std::int32_t nextFree = 0;
    bool previousEmpty = false;
    for (std::int32_t i = 0; i < count; ++i) {
        Variant item = Get(matches, "Item", {Variant::Long(i)});
        Object& match = *item.ObjectValue();
        const std::int32_t first = Get(match, "FirstIndex").ToLong();
        const std::int32_t length = Get(match, "Length").ToLong();
        const std::string value = Get(match, "Value").StringValue();
        // Ordered, not overlapping, and after an empty match one character on.
        if (first < nextFree + (previousEmpty ? 1 : 0) || length < 0 ||
            subject.find(value) == std::string_view::npos ||
            static_cast<std::size_t>(length) > value.size()) {
            std::abort();
        }
        previousEmpty = length == 0;
        nextFree = first + length;
        Variant subMatches = Get(match, "SubMatches");
        const int n = Get(*subMatches.ObjectValue(), "Count").ToLong();
        if (groups >= 0 && n != groups) {
            std::abort(); // every match has the same groups
        }
        groups = n;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split1 = input.find('\0');
    const std::string_view pattern = input.substr(0, split1);
    std::string_view subject;
    std::string_view replacement = "<$1|$&|$$>";
    if (split1 != std::string_view::npos) {
        const std::string_view rest = input.substr(split1 + 1);
        const std::size_t split2 = rest.find('\0');
        subject = rest.substr(0, split2);
        if (split2 != std::string_view::npos) {
            replacement = rest.substr(split2 + 1);
        }
    }
    for (int flags = 0; flags < 8; ++flags) {
        ob::vbscript::regexp::RegExpObject re;
        re.SetStepBudget(100'000); // keeps each input fast; the limit itself is exercised
        std::vector<Variant> args{Variant::String(std::string(pattern))};
        re.Invoke("Pattern", InvokeKind::PropertyPut, args);
        const bool global = (flags & 2) != 0;
        const char* names[] = {"IgnoreCase", "Global", "Multiline"};
        for (int bit = 0; bit < 3; ++bit) {
            std::vector<Variant> value{Variant::Boolean((flags >> bit & 1) != 0)};
            re.Invoke(names[bit], InvokeKind::PropertyPut, value);
        }
        bool found = false;
        const long testError = ErrorOf([&] { found = re.Test(subject); });
        if (testError >= 5017 && testError <= 5021) {
            // A malformed pattern fails the same way in every method.
            if (ErrorOf([&] { re.Execute(subject); }) != testError ||
                ErrorOf([&] { re.Replace(subject, replacement); }) != testError) {
                std::abort();
            }
            return 0;
        }
        if (testError != 0) {
            continue; // out of steps: nothing more to compare
        }
        Variant matches;
        if (ErrorOf([&] { matches = re.Execute(subject); }) != 0) {
            continue;
        }
        int groups = -1;
        CheckMatches(*matches.ObjectValue(), subject, global, found, groups);
        std::string same;
        if (ErrorOf([&] { same = re.Replace(subject, "$&"); }) == 0 && same != subject) {
            std::abort();
        }
        ErrorOf([&] { re.Replace(subject, replacement); });
    }
    return 0;
}
