// LoadService: the registry entry, every load code, the PATH rewriting, and the
// libraries' lifetime.
#include "engine/services/service_loader.h"

#include "engine/session/engine_session.h"
#include "host_fixture.h"
#include "platform/env/environment.h"
#include "service_registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fstream>
#include <string>

namespace ob::test {
namespace {

class ServiceLoaderTest : public HostDirectiveTest {
protected:
    int Load(const std::string& name) { return engine::LoadService(session, name); }

    /// True while the process has `path` loaded (dlopen with RTLD_NOLOAD).
    static bool IsLoaded(const std::string& path) {
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle == nullptr) {
            return false;
        }
        ::dlclose(handle);
        return true;
    }
};

TEST_F(ServiceLoaderTest, LoadsAndRegistersTheEntryPoint) {
    RegisterService("codes", {{"library", TestModule("codes")}});
    EXPECT_EQ(Load("codes"), engine::SERVICE_LOADED);
    ASSERT_EQ(session.services.size(), 1u);
    EXPECT_EQ(session.services[0].name, "codes");
    ASSERT_NE(session.services[0].entry, nullptr);
    const char* words[] = {"-codes", "code", "5", nullptr};
    EXPECT_EQ(session.services[0].entry(words), 5);
}

TEST_F(ServiceLoaderTest, TheSameNameTwiceInAnyCaseIsRefused) {
    RegisterService("codes", {{"library", TestModule("codes")}});
    EXPECT_EQ(Load("codes"), engine::SERVICE_LOADED);
    EXPECT_EQ(Load("CODES"), engine::SERVICE_ALREADY_LOADED);
    EXPECT_EQ(Load("Codes"), engine::SERVICE_ALREADY_LOADED);
    EXPECT_EQ(session.services.size(), 1u);
}

TEST_F(ServiceLoaderTest, LoadCodes) {
    const std::string notShared = WriteFile("not_a_library.so", "this is text, not ELF\n");
    RegisterService("bad_module",
                    {{"module", "/nonexistent/libmissing.so"}, {"library", TestModule("codes")}});
    RegisterService("no_library", {{"module", TestModule("dependency")}});
    RegisterService("empty_library", {{"library", "  "}});
    RegisterService("text_library", {{"library", notShared}});
    RegisterService("missing_library", {{"library", "/nonexistent/libabsent.so"}});
    RegisterService("no_entry", {{"library", TestModule("no_entry")}});
    RegisterService("unresolved", {{"library", TestModule("dependent")}});
    struct Case {
        std::string name;
        int code;
    };
    const std::vector<Case> cases = {
        {"bad_module", engine::SERVICE_MODULE_FAILED},
        {"no_library", engine::SERVICE_NO_LIBRARY_ENTRY},
        {"empty_library", engine::SERVICE_NO_LIBRARY_ENTRY},
        {"text_library", engine::SERVICE_LIBRARY_FAILED},
        {"missing_library", engine::SERVICE_LIBRARY_FAILED},
        {"no_entry", engine::SERVICE_NO_ENTRY_POINT},
        // Its symbol lives in a library only its `module` value would load.
        {"unresolved", engine::SERVICE_LIBRARY_FAILED},
        {"not_registered", engine::SERVICE_NO_REGISTRY_ENTRY},
        {"codes\\..\\x", engine::SERVICE_NO_REGISTRY_ENTRY},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Load(c.name), c.code) << c.name;
    }
    EXPECT_TRUE(session.services.empty());
    EXPECT_FALSE(IsLoaded(TestModule("no_entry"))) << "a library without entry is closed";
}

TEST_F(ServiceLoaderTest, TextsOfTheLoadCodes) {
    EXPECT_EQ(engine::LoadCodeText(1), "LoadLibrary of 'module' failed");
    EXPECT_EQ(engine::LoadCodeText(2), "LoadLibrary of 'library' failed");
    EXPECT_EQ(engine::LoadCodeText(3), "bad or missing 'library entry' in registry");
    EXPECT_EQ(engine::LoadCodeText(4), "dll was missing entry point");
    EXPECT_EQ(engine::LoadCodeText(6), "no registry entry");
    EXPECT_EQ(engine::LoadCodeText(7), "already loaded a service by that name");
    EXPECT_EQ(engine::LoadCodeText(5), "unrecognized command");
    EXPECT_EQ(engine::LoadCodeText(-1), "unrecognized command");
}

TEST_F(ServiceLoaderTest, ModulesAreLoadedFirstAndFoundThroughThePathValue) {
    // Relative names are looked for in the `path` directories.
    RegisterService("dependent", {{"path", std::string(";;") + OB_TEST_MODULE_DIR + ";"},
                                  {"module", " libob_test_dependency.so ;"},
                                  {"library", "libob_test_dependent.so"}});
    ASSERT_EQ(Load("dependent"), engine::SERVICE_LOADED);
    const char* words[] = {"-dependent", "x", nullptr};
    EXPECT_EQ(session.services.at(0).entry(words), 0) << "the dependency's symbol was bound";
}

TEST_F(ServiceLoaderTest, LibrariesCloseWhenTheServiceListGoesAway) {
    RegisterService("dependent",
                    {{"module", TestModule("dependency")}, {"library", TestModule("dependent")}});
    ASSERT_EQ(Load("dependent"), engine::SERVICE_LOADED);
    EXPECT_TRUE(IsLoaded(TestModule("dependent")));
    EXPECT_TRUE(IsLoaded(TestModule("dependency")));
    session.services.clear(); // what the session's end does
    EXPECT_FALSE(IsLoaded(TestModule("dependent")));
    EXPECT_FALSE(IsLoaded(TestModule("dependency")));
}

TEST_F(ServiceLoaderTest, AFailedLoadLeavesNoLibraryOpen) {
    RegisterService("half", {{"module", TestModule("dependency") + ";/nonexistent/x.so"},
                             {"library", TestModule("dependent")}});
    EXPECT_EQ(Load("half"), engine::SERVICE_MODULE_FAILED);
    EXPECT_FALSE(IsLoaded(TestModule("dependency")));
}

TEST_F(ServiceLoaderTest, PathValueIsAppendedToPath) {
    env::Set("PATH", "/usr/bin::/bin");
    RegisterService("codes", {{"path", ";/opt/a;;/opt/b;"}, {"library", TestModule("codes")}});
    ASSERT_EQ(Load("codes"), engine::SERVICE_LOADED);
    EXPECT_EQ(env::Get("PATH"), "/usr/bin:/bin:/opt/a:/opt/b");
}

TEST_F(ServiceLoaderTest, PathValueOfEmptyPiecesAddsNothing) {
    env::Set("PATH", "/usr/bin:/bin");
    RegisterService("codes", {{"path", ";; ;;"}, {"library", TestModule("codes")}});
    ASSERT_EQ(Load("codes"), engine::SERVICE_LOADED);
    EXPECT_EQ(env::Get("PATH"), "/usr/bin:/bin") << "no empty piece (the current directory)";
}

TEST(SearchPath, JoinsNonEmptyPiecesWithColons) {
    struct Case {
        std::string current, addition, expected;
    };
    const std::vector<Case> cases = {
        {"", "/a", "/a"},
        {"/x", "", "/x"},
        {"/x:", "/a;/b", "/x:/a:/b"},
        {":/x::/y:", ";;/a;;", "/x:/y:/a"},
        {"", ";;;", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(engine::AppendSearchPath(c.current, c.addition), c.expected)
            << c.current << " + " << c.addition;
    }
}

} // namespace
} // namespace ob::test
