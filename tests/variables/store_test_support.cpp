#include "store_test_support.h"

#include "platform/env/environment.h"

namespace ob::vars::test {

std::string SectionPath(const std::string& section) {
    return "software\\Varndel Software\\Obrenta\\" + section;
}

std::optional<std::string> Stored(Root root, const std::string& section, const std::string& name) {
    registry::Key key;
    if (registry::Key::Open(root, SectionPath(section), registry::KEY_READ, key) !=
        registry::ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string data;
    if (key.QueryValue(name, data) != registry::ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data.substr(0, data.find('\0'));
}

void Store(Root root, const std::string& section, const std::string& name,
           const std::string& value) {
    registry::Key key;
    ASSERT_EQ(registry::Key::Create(root, SectionPath(section), registry::KEY_READ_WRITE, key),
              registry::ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue(name, value), registry::ERROR_SUCCESS);
}

bool SectionExists(Root root, const std::string& section) {
    registry::Key key;
    return registry::Key::Open(root, SectionPath(section), registry::KEY_READ, key) ==
           registry::ERROR_SUCCESS;
}

void StoreTest::SetUp() {
    savedConfig_ = Config();
    UseStores(false);
}

void StoreTest::TearDown() {
    for (const std::string& name : vars_) {
        env::Remove(name);
    }
    Configure(savedConfig_);
    env::Remove("OBRENTA_MACHINE_READONLY");
    registry::ResetConnections();
}

std::string StoreTest::Var(const std::string& suffix) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("VT_") + info->name() + "_" + suffix;
    vars_.push_back(name);
    return name;
}

std::optional<std::string> StoreTest::Read(const char* section, const std::string& name,
                                           std::uint32_t flags) {
    return store_.Get(section, name.c_str(), flags);
}

} // namespace ob::vars::test
