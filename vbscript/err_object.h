// The Err object: the last run-time error a script caught with On Error Resume
// Next (Number, Description, Source), Clear, and Raise to throw an error of the
// script's own.
#pragma once

#include "vbscript/object.h"

namespace ob::vbscript {

class ErrObject final : public Object {
public:
    std::string TypeName() const override { return "ErrObject"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override;

    /// Records a caught error.
    void Set(const ScriptException& e);
    void Clear();
    long Number() const { return number_; }

private:
    long number_ = 0;
    std::string description_;
    std::string source_;
};

} // namespace ob::vbscript
