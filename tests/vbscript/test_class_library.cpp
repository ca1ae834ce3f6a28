// A class library for the class registry's tests: exports DllGetClassObject with
// one class, a counter (Add n, Value, the default member is Value). Class id
// {0B7E0001-0000-4000-8000-000000000001} makes a counter; class id
// {0B7E0001-0000-4000-8000-000000000002} answers success without an object (a
// broken library); any other class id is refused with CLASS_E_CLASSNOTAVAILABLE.
#include "vbscript/object.h"

#include "platform/text/ascii_case.h"

#include <cstring>
#include <memory>

namespace {

using ob::vbscript::InvokeKind;
using ob::vbscript::Object;
using ob::vbscript::ScriptException;
using ob::vbscript::Variant;

class Counter final : public Object {
public:
    std::string TypeName() const override { return "TestCounter"; }
    Variant Invoke(std::string_view name, InvokeKind kind, std::vector<Variant>& args) override {
        if (ob::text::EqualsIgnoringCase(name, "Add") && args.size() == 1) {
            value_ += args[0].ToLong();
            return {};
        }
        if ((name.empty() || ob::text::EqualsIgnoringCase(name, "Value")) && args.empty() &&
            kind != InvokeKind::PropertyPut) {
            return Variant::Long(value_);
        }
        throw ScriptException(438);
    }

private:
    std::int32_t value_ = 0;
};

constexpr long kClassNotAvailable = static_cast<long>(0x80040111L);

} // namespace

extern "C" __attribute__((visibility("default"))) long
DllGetClassObject(const char* classId, std::shared_ptr<Object>* object) {
    if (std::strcmp(classId, "{0B7E0001-0000-4000-8000-000000000001}") == 0) {
        *object = std::make_shared<Counter>();
        return 0;
    }
    if (std::strcmp(classId, "{0B7E0001-0000-4000-8000-000000000002}") == 0) {
        object->reset();
        return 0;
    }
    return kClassNotAvailable;
}
