// The results RegExp.Execute returns: a Matches collection (TypeName
// "IMatchCollection2": Count, Item(i) as its default member, For Each) of Match
// objects ("IMatch2": Value as the default member, FirstIndex, Length,
// SubMatches), each with a SubMatches collection ("ISubMatches": Count, Item(i),
// For Each; Empty for a group that did not take part). All read-only.
// Positions and lengths count characters. Used from the interpreter's thread.
#pragma once

#include "vbscript/object.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ob::vbscript::regexp {

class SubMatchesObject final : public Object {
public:
    explicit SubMatchesObject(std::vector<Variant> items) : items_(std::move(items)) {}

    std::string TypeName() const override { return "ISubMatches"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
    bool Enumerate(std::vector<Variant>& items) override;

private:
    std::vector<Variant> items_;
};

class MatchObject final : public Object {
public:
    MatchObject(std::string value, std::int32_t firstIndex, std::int32_t length,
                std::vector<Variant> subMatches);

    std::string TypeName() const override { return "IMatch2"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

private:
    std::string value_;
    std::int32_t firstIndex_;
    std::int32_t length_;
    std::shared_ptr<SubMatchesObject> subMatches_;
};

class MatchesObject final : public Object {
public:
    explicit MatchesObject(std::vector<Variant> matches) : matches_(std::move(matches)) {}

    std::string TypeName() const override { return "IMatchCollection2"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;
    bool Enumerate(std::vector<Variant>& items) override;

private:
    std::vector<Variant> matches_;
};

} // namespace ob::vbscript::regexp
