#include "vbscript/objects/member_call.h"

namespace ob::vbscript::objects {

Variant ValueOf(const Variant& value) {
    if (!value.IsObject()) {
        return value;
    }
    if (!value.ObjectValue()) {
        throw ScriptException(err::kObjectRequired);
    }
    std::vector<Variant> none;
    Variant inner = value.ObjectValue()->Invoke("", InvokeKind::PropertyGet, none);
    if (inner.IsObject()) {
        throw ScriptException(err::kTypeMismatch);
    }
    return inner;
}

std::string TextOf(const Variant& value) {
    return ValueOf(value).ToString();
}

Variant MakeArray(std::vector<Variant> items) {
    auto array = ArrayData::Make({static_cast<std::int32_t>(items.size()) - 1});
    array->items = std::move(items);
    return Variant::FromArray(std::move(array));
}

} // namespace ob::vbscript::objects
