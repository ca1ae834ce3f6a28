#include "engine/loading/date_token_names.h"

#include "engine/expansion/argument_tokeniser.h"
#include "engine/expansion/date_tokens.h"
#include "platform/text/ascii_case.h"

namespace ob::engine {
namespace {

bool Is(const std::string& word, std::string_view name) {
    return text::EqualsIgnoringCase(word, name);
}

// The word at `index`, or "" past the end.
std::string WordAt(const std::vector<std::string>& words, std::size_t index) {
    return index < words.size() ? words[index] : std::string();
}

// The name a -set statement assigns: after the options, up to the first "=".
std::string SetName(const std::vector<std::string>& words) {
    std::size_t index = 1;
    if (Is(WordAt(words, index), "-eval")) {
        ++index;
    }
    if (Is(WordAt(words, index), "-persist")) {
        ++index;
    }
    const std::string assignment = WordAt(words, index);
    return assignment.substr(0, assignment.find('='));
}

} // namespace

std::vector<std::string> VariablesSetBy(std::string_view actionText) {
    std::vector<std::string> words;
    if (ArgumentTokeniser(actionText, 0, words) != TokeniseResult::Ok || words.empty()) {
        return {};
    }
    const std::string& directive = words[0];
    std::string name;
    if (Is(directive, "-set")) {
        name = SetName(words);
    } else if (Is(directive, "-SetEvent") || Is(directive, "-ClearEvent")) {
        name = WordAt(words, 1);
    } else if (Is(directive, "-getfile") || Is(directive, "-foreach")) {
        name = WordAt(words, 3);
    }
    if (name.empty() || name.find('%') != std::string::npos) {
        return {};
    }
    return {name};
}

std::vector<std::string> DateTokenNameWarnings(std::string_view actionText,
                                               std::string_view fileName, std::uint32_t line) {
    std::vector<std::string> warnings;
    for (const std::string& name : VariablesSetBy(actionText)) {
        const std::vector<const DateToken*> tokens = TokensNamed(name);
        if (tokens.empty()) {
            continue;
        }
        std::string warning = "Warning: " + std::string(fileName) + " line " +
                              std::to_string(line) + " sets the variable \"" + name +
                              "\", but a reference to it is taken for a date token:";
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            warning += (i == 0 ? " " : ", ") + std::string(tokens[i]->token) + " gives " +
                       std::string(tokens[i]->meaning);
        }
        warnings.push_back(warning + ".");
    }
    return warnings;
}

} // namespace ob::engine
