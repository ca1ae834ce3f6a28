// The example service module and job script, through the shared engine library as a
// host uses them: registered in the machine store, loaded by the script, called.
#include "engine/services/service_loader.h"
#include "obrenta/obrenta.h"
#include "platform/registry/registry.h"
#include "test_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <dlfcn.h>
#include <string>

namespace ob::test {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool IsLoaded(const char* path) {
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    ::dlclose(handle);
    return true;
}

void RegisterGreet() {
    registry::Key key;
    ASSERT_EQ(registry::Key::Create(registry::Root::LocalMachine,
                                    "Software\\Varndel Software\\Obrenta\\services\\greet",
                                    registry::KEY_READ_WRITE, key),
              registry::ERROR_SUCCESS);
    ASSERT_EQ(key.SetValue("library", OB_EXAMPLE_MODULE), registry::ERROR_SUCCESS);
}

TEST(ServiceExample, TheExampleScriptLoadsAndCallsTheModule) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    RegisterGreet();
    ASSERT_EQ(OB_LoadCronScript(host.Session(), OB_EXAMPLE_SCRIPT),
              static_cast<std::uint32_t>(OB_OK));
    ASSERT_EQ(OB_ModifyFlags(host.Session(), SF_ENABLED, 0), static_cast<std::uint32_t>(OB_OK));
    const std::string last = "HELLO, SERVICE AUTHOR! (22 characters) ";
    EXPECT_TRUE(host.PumpUntil([&] { return Has(host.Lines(), last); }));
    const auto lines = host.Lines();
    EXPECT_TRUE(Has(lines, "Loaded: Obrenta GREET example version 1.0 "));
    EXPECT_TRUE(Has(lines, "Hello, service author! "));
    std::string rule;
    for (int i = 0; i < 20; ++i) {
        rule += "=-";
    }
    EXPECT_TRUE(Has(lines, rule + " "));
    EXPECT_EQ(host.Count(OB_EV_NOTIFY, OB_NOTIFY_SCRIPT_ERROR), 0u);

    // The session's end closes the module.
    ASSERT_TRUE(IsLoaded(OB_EXAMPLE_MODULE));
    host.PumpFor(std::chrono::milliseconds(0));
    ASSERT_EQ(OB_DestroySession(&host.Session()), static_cast<std::uint32_t>(OB_OK));
    EXPECT_FALSE(IsLoaded(OB_EXAMPLE_MODULE));
}

TEST(ServiceExample, WithoutRegistrationTheScriptReportsTheLoadCode) {
    TestHost host;
    ASSERT_EQ(host.Create("0"), static_cast<std::uint32_t>(OB_OK));
    ASSERT_EQ(OB_LoadCronScript(host.Session(), OB_EXAMPLE_SCRIPT),
              static_cast<std::uint32_t>(OB_OK));
    ASSERT_EQ(OB_ModifyFlags(host.Session(), SF_ENABLED, 0), static_cast<std::uint32_t>(OB_OK));
    const std::string report = "The greet service could not be loaded: no registry entry ";
    EXPECT_TRUE(host.PumpUntil([&] { return Has(host.Lines(), report); }));
    EXPECT_FALSE(Has(host.Lines(), "Hello, service author! "));
}

} // namespace
} // namespace ob::test
